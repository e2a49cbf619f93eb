// Wakes the reactor thread out of its wait when another thread changes what
// the wait should cover (a timer, bytes to send, a stop request). Only a wait
// that is in progress is woken, once, so a busy reactor costs nothing here.
#pragma once

#include <atomic>

namespace kestrune {

class ReactorWaker {
public:
  ReactorWaker();
  ~ReactorWaker();
  ReactorWaker(const ReactorWaker&) = delete;
  ReactorWaker& operator=(const ReactorWaker&) = delete;

  int fd() const { return fd_; }  // readable while a wake is pending

  // The reactor thread calls arm() before it looks at what to wait for and
  // disarm() when its wait has ended; a wake() in between ends the wait.
  void arm() { armed_.store(true); }
  void disarm() { armed_.store(false); }
  void wake();
  // Also when no wait has started yet: the next wait ends at once.
  void wake_always();
  void drain();  // clears a pending wake

private:
  int fd_;
  std::atomic<bool> armed_{false};
};

}  // namespace kestrune
