// A mutex and its scoped holder that Clang's thread-safety analysis can see
// (std::mutex carries no annotations): members marked GUARDED_BY one of these
// are checked at compile time. Same shape as the library's own pair, which
// the program cannot include.
#pragma once

#include <mutex>

#include "thread_annotations.h"

namespace velmora {

class CAPABILITY("mutex") Mutex {
public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_.try_lock(); }

private:
  std::mutex m_;
};

// Holds a Mutex for a scope.
class SCOPED_CAPABILITY MutexLock {
public:
  explicit MutexLock(Mutex& m) ACQUIRE(m) : m_(m) { m_.lock(); }
  ~MutexLock() RELEASE() { m_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

private:
  Mutex& m_;
};

}  // namespace velmora
