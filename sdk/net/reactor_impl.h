// The interface of a reactor implementation: registration, one
// wait-and-dispatch pass, and the timer operations. No state of its own.
#pragma once

#include "net/event_handler.h"
#include "net/socket_set.h"
#include "net/timer_queue.h"

namespace kestrune {

using ReactorTimerQueue = NVS_Timer_Queue_T<Socket_Event_Handler>;

class SocketReactor_Impl {
public:
  virtual ~SocketReactor_Impl() = default;
  virtual int open(ReactorTimerQueue* timer_queue) = 0;
  virtual int register_handler(socket_t socket, Socket_Event_Handler* handler, int mask) = 0;
  virtual int register_handler(Socket_Event_Handler* handler, int mask) = 0;
  virtual int handle_events(const TimeValue* max_wait) = 0;
  virtual int deactivate(int flag) = 0;
  virtual int deactivated() = 0;
  virtual int remove_handler(const SocketSet& sockets, int mask) = 0;
  virtual int remove_handler(socket_t socket, int mask) = 0;
  virtual int schedule_timer(Socket_Event_Handler* handler, void* arg,
                             const TimeValue& delay, const TimeValue& interval) = 0;
  virtual int reset_timer_interval(int timer_id, const TimeValue& interval) = 0;
  virtual int cancel_timer(int timer_id, void** arg_out, int dont_call) = 0;
  virtual int cancel_timer(Socket_Event_Handler* handler, int dont_call) = 0;
  virtual int expire_timers(int& count) = 0;
};

}  // namespace kestrune
