// Base of everything the reactor dispatches: readiness and timer hooks plus a
// reference count that decides when the object deletes itself.
#pragma once

#include <atomic>

#include "net/platform.h"
#include "net/time_value.h"

namespace kestrune {

class SocketReactor;

enum EventMask {
  MASK_READ = 0x01,
  MASK_WRITE = 0x02,
  MASK_EXCEPT = 0x04,
  MASK_ACCEPT = 0x08,
  MASK_CONNECT = 0x10,
  MASK_TIMER = 0x20,
  MASK_ALL = 0x1FF,
  MASK_DONT_CALL = 0x200,
};

class Socket_Event_Handler {
public:
  Socket_Event_Handler() = default;
  Socket_Event_Handler(const Socket_Event_Handler&) = delete;
  Socket_Event_Handler& operator=(const Socket_Event_Handler&) = delete;
  virtual ~Socket_Event_Handler() = default;

  // Readiness hooks: negative = remove me, 0 = stay, positive = call again.
  virtual int handle_input() { return 0; }
  virtual int handle_output() { return 0; }
  virtual int handle_exception() { return 0; }
  virtual int handle_close(socket_t /*socket*/, int /*mask*/) { return 0; }
  virtual int handle_timeout(const TimeValue& /*now*/, void* /*arg*/) { return 0; }

  virtual socket_t get_handle() const = 0;
  virtual SocketReactor* get_reactor() const { return reactor_; }
  virtual void set_reactor(SocketReactor* reactor) { reactor_ = reactor; }

  // The count is atomic: it is taken on callers' threads and the reactor's.
  virtual int add_reference();
  // Deletes the object when the last reference goes; returns the new count.
  virtual int remove_reference();
  virtual SocketReactor* get_timer_interface() const { return reactor_; }
  // Whether a handler registered for writing has something to write now.
  // The reactor watches writability only while this is true, so a connected
  // socket with nothing queued does not wake every pass; a handler that
  // starts wanting it again says so through SocketReactor::request_output.
  virtual bool wants_output() const { return true; }

  int reference_count() const { return refs_.load(); }

private:
  std::atomic<int> refs_{1};
  std::atomic<SocketReactor*> reactor_{nullptr};
};

// Cancels every timer of the handler through its reactor (for the timer
// queue, which cannot see the reactor class).
int cancel_handler_timers(SocketReactor* reactor, Socket_Event_Handler* handler, int dont_call);

}  // namespace kestrune
