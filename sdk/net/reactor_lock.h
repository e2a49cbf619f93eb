// A recursive lock of the reactor that knows its owner, so code can assert
// that it runs under the lock, and counts the threads queued for it, so the
// reactor thread can let them in before it takes the lock back.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "net/ks_assert.h"
#include "net/platform.h"
#include "net/thread_annotations.h"

namespace kestrune {

class CAPABILITY("mutex") ReactorLock {
public:
  ReactorLock() = default;
  ReactorLock(const ReactorLock&) = delete;
  ReactorLock& operator=(const ReactorLock&) = delete;

  void lock() ACQUIRE() {
    const std::thread::id me = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == me) {
      ++depth_;
      return;
    }
    queued_.fetch_add(1);
    mutex_.lock();
    queued_.fetch_sub(1);
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
  }

  void unlock() RELEASE() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

  bool held_by_this_thread() const {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

  // Stops the process when the calling thread does not hold the lock; tells
  // the analysis that it does from here on.
  void assert_held() const ASSERT_CAPABILITY(this) { KS_ASSERT(held_by_this_thread()); }

  // Other threads blocked in lock() right now.
  int queued() const { return queued_.load(); }

  // Gives the lock up completely (whatever the depth) and returns the depth,
  // for a wait during which other threads must get in.
  int release_all() RELEASE() {
    const int depth = depth_;
    depth_ = 0;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
    return depth;
  }

  // Takes the lock back at the depth release_all() returned.
  void reacquire(int depth) ACQUIRE() {
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth_ = depth;
  }

private:
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // touched only by the owner
  std::atomic<int> queued_{0};
};

using ReactorGuard = ScopedLock<ReactorLock>;

}  // namespace kestrune
