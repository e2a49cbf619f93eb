// Checks a "this runs on one thread" rule in every build: a thread id
// comparison, too cheap to measure. A broken rule is logged with its place
// and the program stops, before state shared with another thread is touched.
#pragma once

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace velmora {

class ThreadCheck {
public:
  // The thread that creates the check is the one it allows (the window
  // thread, for the objects the window thread makes).
  ThreadCheck() : owner_(std::this_thread::get_id()) {}

  // For a thread that is not known when the check is made, such as the
  // library's callback thread: the first caller after creation or release()
  // becomes the allowed thread.
  enum FirstCaller { kFirstCaller };
  explicit ThreadCheck(FirstCaller) {}

  // True on the allowed thread (claiming it when unclaimed).
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

[[noreturn]] inline void thread_rule_broken(const char* check, const char* file, int line) {
  std::fprintf(stderr, "velmora: %s:%d: called on the wrong thread (%s)\n", file, line, check);
  std::fflush(stderr);
  std::abort();
}

}  // namespace velmora

// Stops the program unless the caller is the check's thread.
#define VELMORA_CHECK_THREAD(check)                                          \
  (__builtin_expect((check).on_thread(), 1)                                  \
       ? static_cast<void>(0)                                                \
       : ::velmora::thread_rule_broken(#check, __FILE__, __LINE__))
