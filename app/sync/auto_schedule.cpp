#include "auto_schedule.h"

#include <algorithm>

namespace velmora {

std::int64_t last_automatic_start(const std::vector<RunResult>& runs) {
  std::int64_t last = 0;
  for (const RunResult& r : runs) last = std::max(last, r.auto_started);
  return last;
}

AutoRunDue next_automatic_run(std::int64_t interval_ms, std::int64_t last_s,
                              std::int64_t since_ms, std::int64_t now_ms) {
  AutoRunDue d;
  d.last_s = last_s;
  if (interval_ms <= 0) return d;
  if (last_s <= 0) {
    d.why = AutoRunDue::kFirstInterval;
    d.due_ms = since_ms > 0 ? since_ms + interval_ms : 0;
    return d;
  }
  d.due_ms = std::min(last_s * 1000 + interval_ms, now_ms + interval_ms);
  d.why = d.due_ms <= now_ms ? AutoRunDue::kOverdue : AutoRunDue::kAfterLast;
  return d;
}

}  // namespace velmora
