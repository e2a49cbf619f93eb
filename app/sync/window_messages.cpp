#include "window_messages.h"

namespace velmora {

bool status_is_final(std::int32_t status) {
  switch (status) {
    case STATUS_COMPLETE:
    case STATUS_USER_STOPPED:
    case STATUS_CONNECT_FAILED:
    case STATUS_INTERRUPTED:
    case STATUS_TIMED_OUT:
    case STATUS_LIVE_ELSEWHERE:
    case STATUS_WRONG_PASSWORD:
    case STATUS_DISK_FULL: return true;
    default: return false;
  }
}

std::int64_t auto_sync_interval_ms(std::int32_t code) {
  static const std::int64_t table[] = {0,        600000,   1800000,  3600000, 7200000,
                                       14400000, 43200000, 86400000, 604800000};
  if (code < 0 || code > 8) return 0;
  return table[code];
}

}  // namespace velmora
