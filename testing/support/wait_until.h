// Waiting for a condition in tests: polls until it holds or the time is up.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace ks_test {

// Polls `done` until it holds or `timeout_ms` has passed; true if it held.
// Between two polls `between` runs (an event-loop pump, say); without one the
// thread sleeps for `step_ms`.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms,
                       const std::function<void()>& between = {}, int step_ms = 2) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return done();
    if (between) {
      between();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(step_ms));
    }
  }
  return true;
}

}  // namespace ks_test
