// When the next automatic run is due. The count starts from the last
// automatic run the history holds, so a restart, a reboot or a new login
// does not push the run back by a whole interval; only without any such run
// does it start from the moment the program started (or the interval changed).
#pragma once

#include <cstdint>
#include <vector>

#include "run_result.h"

namespace velmora {

struct AutoRunDue {
  enum Why {
    kOff,            // no interval: runs start only when asked
    kFirstInterval,  // no automatic run on record: one interval after `since`
    kAfterLast,      // one interval after the last automatic run
    kOverdue,        // that moment has passed: the run starts shortly
  };
  Why why = kOff;
  std::int64_t due_ms = 0;   // ms since 1970; 0 when off or not known
  std::int64_t last_s = 0;   // start of the last automatic run (0 = none)
};

// The start of the latest automatic run in `runs` (seconds since 1970, 0 = none).
std::int64_t last_automatic_start(const std::vector<RunResult>& runs);

// `since_ms`: when the count started without history (0 = not known, as
// for a reader outside the running program). A last run in the future (the
// clock was set back) never delays the next by more than one interval from now.
AutoRunDue next_automatic_run(std::int64_t interval_ms, std::int64_t last_s,
                              std::int64_t since_ms, std::int64_t now_ms);

}  // namespace velmora
