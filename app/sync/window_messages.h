// The camera statuses that the workers post to the main thread, the
// window's timers and intervals.
#pragma once

#include <cstdint>

namespace velmora {

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
  // Beyond the string table's numbers: the download folder's file system
  // is below the free space to keep; the run ended before writing more.
  STATUS_DISK_FULL = 190,
};

// Why a run fails, when the status alone does not say it (with a text that
// gives the details).
enum FailureKind : std::int32_t {
  FAILURE_OTHER = 0,
  FAILURE_SERVER_UNREACHABLE = 1,
  FAILURE_SERVER_LOGIN_REFUSED = 2,
  FAILURE_NOT_IN_ACCOUNT = 3,
  FAILURE_WRITE_FAILED = 4,
};

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

// How long a camera may take to answer a delete request.
inline constexpr int kDeleteAnswerMs = 5000;

// The result of one delete request.
enum CardDeleteResult : std::int32_t {
  CARD_DELETED = 0,
  CARD_DELETE_REFUSED = 1,    // the camera answered with a non-zero result
  CARD_DELETE_NO_ANSWER = 2,  // no answer in time; the run asks no more
};

}  // namespace velmora
