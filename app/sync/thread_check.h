// Checks a "this runs on one thread" rule in debug and sanitizer builds: the
// first caller claims the check, every later caller must be that thread.
#pragma once

#include <atomic>
#include <cassert>
#include <thread>

namespace velmora {

class ThreadCheck {
public:
  // True when the caller is the claiming thread (claiming it if free).
  bool on_thread() {
    const std::thread::id me = std::this_thread::get_id();
    std::thread::id none{};
    return owner_.compare_exchange_strong(none, me) || none == me;
  }
  // Forgets the claim (the next caller claims it), for a thread that may
  // legitimately change, such as the library's after a restart.
  void release() { owner_.store(std::thread::id{}); }

private:
  std::atomic<std::thread::id> owner_{};
};

}  // namespace velmora
