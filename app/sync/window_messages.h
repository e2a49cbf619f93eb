// Numbers of the messages that the workers and the sibling program post to
// the main window, the camera statuses they carry, and the window's timers.
// The numbers are fixed: the sibling program posts some of them.
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
};

// Data-copy code of the server request sent to the sibling.
inline constexpr std::int32_t COPYDATA_SERVER_REQUEST = 12;

// A camera's status is the string-table number of its text.
enum SyncStatus : std::int32_t {
  STATUS_NONE = 0,
  STATUS_WAITING = 138,
  STATUS_SYNCING = 139,
  STATUS_COMPLETE = 140,
  STATUS_USER_STOPPED = 141,
  STATUS_CONNECT_FAILED = 142,
  STATUS_CONNECTING = 143,
  STATUS_INTERRUPTED = 144,
  STATUS_LIVE_ELSEWHERE = 145,
  STATUS_TIMED_OUT = 155,
  STATUS_WRONG_PASSWORD = 177,
};

// Program text of a status (the window shows these) and an English gloss.
const char* status_text(std::int32_t status);
const char* status_english(std::int32_t status);
// Icon index of the camera list row for a status.
int status_icon(std::int32_t status);
// True for the statuses that end a run.
bool status_is_final(std::int32_t status);

// Window timers by identifier. Per-camera timers live in their own table
// keyed by camera id, so camera ids 0..3 never meet these.
enum WindowTimer : int {
  TIMER_AUTO_SYNC = 0,
  TIMER_SPEED = 1,
  TIMER_RESUME_DISCOVERY = 2,
  TIMER_RETRY = 3,
};

inline constexpr int kSpeedIntervalMs = 4000;
inline constexpr int kRetryIntervalMs = 60000;
inline constexpr int kResumeDiscoveryMs = 3000;
inline constexpr int kConnectTimeoutMs = 5000;
inline constexpr int kTransferWatchdogMs = 8000;

// Interval of an automatic-synchronisation code; 0 = timer off.
std::int64_t auto_sync_interval_ms(std::int32_t code);
// Setting-dialog text of an interval code ("" for unknown codes).
const char* interval_text(std::int32_t code);

// Heap payload of WM_SYNC_COUNTS.
struct SyncCounts {
  std::int32_t camera_id;
  std::int32_t done;
  std::int32_t total;
};

}  // namespace velmora
