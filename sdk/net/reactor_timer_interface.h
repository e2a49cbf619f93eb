// How handlers schedule and cancel timers on the reactor that serves them.
#pragma once

#include "net/time_value.h"

namespace kestrune {

class Socket_Event_Handler;

class NVS_Reactor_Timer_Interface {
public:
  virtual ~NVS_Reactor_Timer_Interface() = default;
  virtual int schedule_timer(Socket_Event_Handler* handler, void* arg,
                             const TimeValue& delay, const TimeValue& interval) = 0;
  virtual int reset_timer_interval(int timer_id, const TimeValue& interval) = 0;
  virtual int cancel_timer(Socket_Event_Handler* handler, int dont_call) = 0;
  virtual int cancel_timer(int timer_id, void** arg_out, int dont_call) = 0;
};

}  // namespace kestrune
