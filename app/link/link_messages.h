// Numbers of the messages posted to the main window, by the workers and by
// the sibling program. The numbers are fixed: the sibling program posts some
// of them and receives others.
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
  // Not exchanged with the sibling: a recording that could not be stored
  // (write or rename failure), so it is never counted as done.
  WM_FILE_FAILED = 12100,
  // Not exchanged with the sibling: another client took over a server login
  // (payload: the account's serial); the window drops that serial's cameras.
  WM_SERVER_SEIZED = 12101,
  // Not exchanged with the sibling: why a camera's run is failing (payload:
  // UTF-8 text), sent before the status that ends the run, which keeps its
  // own meaning for the scheduler.
  WM_FAILURE_REASON = 12102,
  // Not exchanged with the sibling: the answer to one delete request made
  // after a verified copy (lparam a CardDeleteResult, payload the name).
  WM_CARD_DELETE = 12103,
};

// Data-copy code of the server request sent to the sibling.
inline constexpr std::int32_t COPYDATA_SERVER_REQUEST = 12;

}  // namespace velmora
