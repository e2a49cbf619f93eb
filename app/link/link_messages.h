// The main window's message numbers, fixed because the sibling program posts
// some of them and receives others. Inside the program the same reports
// travel as typed events (app/sync/engine_events.h); the numbers matter only
// on the link.
#pragma once

#include <cstdint>

namespace velmora {

enum WindowMessage : std::uint32_t {
  WM_RELOAD_CAMERAS = 12052,
  WM_RECORDS_CHANGED = 12053,
  WM_RELOAD_DOWNLOAD_ROOT = 12055,
  WM_SYNC_STATUS = 12056,
  WM_SYNC_COUNTS = 12057,
  WM_SERVER_HANDOVER = 12059,
  WM_TRAY_NOTIFY = 12061,
  WM_PAUSE_DISCOVERY = 12065,
  WM_RESUME_DISCOVERY = 12066,
  WM_AUTOSTART_RESULT = 12070,
  WM_ADD_LOCAL_CAMERA = 12076,
  WM_INTERVAL_CHANGED = 12077,
  WM_AUTOSTART_TOGGLE = 12078,
  WM_FILE_PROGRESS = 12079,
  WM_WRONG_PASSWORD = 12080,
  COPYDATA_CAMERA_FOUND = 12081,
  COPYDATA_CAMERA_LOST = 12082,
  WM_DISCOVERY_CHANGED = 12083,
  WM_ADD_REMOTE_CAMERA = 12084,
  WM_REQUEST_DISCOVERY_LIST = 12085,
  COPYDATA_CAMERA_LIST = 12086,
  WM_CURRENT_FILE = 12087,
  WM_LAYOUT_PROGRESS = 12088,
  // Between two Velmora starts only: come to the front (kWindowEndpoint).
  WM_SHOW_WINDOW = 12089,
};

// Data-copy code of the server request sent to the sibling.
inline constexpr std::int32_t COPYDATA_SERVER_REQUEST = 12;

}  // namespace velmora
