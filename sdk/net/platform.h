// Thin portability layer: sockets, error codes, locks and sleeping.
// Everything above this file speaks in these terms, so a Winsock port only
// has to replace this header and platform.cpp.
#pragma once

#include <cstdint>
#include <mutex>

#include "net/thread_annotations.h"

namespace kestrune {

using socket_t = int;
constexpr socket_t kInvalidSocket = -1;

// errno values under the names the protocol code uses for them.
int last_socket_error();          // errno of the last failed socket call
bool error_would_block(int err);  // EWOULDBLOCK / EAGAIN / EINPROGRESS

int close_socket(socket_t s);
int set_nonblocking(socket_t s);  // 0 or -1
int socket_pending_error(socket_t s);  // SO_ERROR, or errno when that fails

// Dotted IPv4 text to an address in network byte order; INADDR_NONE (all ones)
// when the text is not an address, as inet_addr does. Parts with a leading
// zero (octal or hex to inet_addr) are refused.
std::uint32_t inet_address(const char* dotted);

void sleep_ms(int ms);

// Recursive like a Windows critical section: hooks running under the reactor's
// locks may call back into it. A class of its own so that Clang's analysis
// knows it as a lock (GUARDED_BY, REQUIRES).
class CAPABILITY("mutex") Lock {
public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_.try_lock(); }

private:
  std::recursive_mutex m_;
};

// A plain (non-recursive) lock, for state that never calls out while held.
class CAPABILITY("mutex") Mutex {
public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_.try_lock(); }

private:
  std::mutex m_;
};

// Holds a lock for a scope.
template <class L>
class SCOPED_CAPABILITY ScopedLock {
public:
  explicit ScopedLock(L& lock) ACQUIRE(lock) : lock_(lock) { lock_.lock(); }
  ~ScopedLock() RELEASE() { lock_.unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

private:
  L& lock_;
};

using Guard = ScopedLock<Lock>;
using MutexGuard = ScopedLock<Mutex>;

}  // namespace kestrune
