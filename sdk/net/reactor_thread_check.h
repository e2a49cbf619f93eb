// Checks, in every build, that a handler's reactor-side entry
// point runs on the thread of the reactor it is registered with.
#pragma once

#include "net/event_handler.h"
#include "net/ks_assert.h"
#include "net/reactor.h"

namespace kestrune {

// True on the handler's reactor thread, for a handler that no reactor holds,
// and for one whose reactor has no thread running: its passes are driven by
// hand (tests, fuzzing), and nothing can race with them then.
inline bool on_handler_reactor_thread(const Socket_Event_Handler& handler) {
  const SocketReactor* reactor = handler.get_reactor();
  return reactor == nullptr || !reactor->running() || reactor->on_reactor_thread();
}

}  // namespace kestrune

#define KS_ASSERT_REACTOR_THREAD(handler) \
  KS_ASSERT(::kestrune::on_handler_reactor_thread(handler))
