// Keeps a handler alive while one of its hooks runs: a hook may close the
// connection, and the close may drop what was the last reference.
#pragma once

#include "net/event_handler.h"

namespace kestrune {

class HandlerKeepAlive {
public:
  explicit HandlerKeepAlive(Socket_Event_Handler* h) : handler_(h) { handler_->add_reference(); }
  ~HandlerKeepAlive() { handler_->remove_reference(); }
  HandlerKeepAlive(const HandlerKeepAlive&) = delete;
  HandlerKeepAlive& operator=(const HandlerKeepAlive&) = delete;

private:
  Socket_Event_Handler* handler_;
};

}  // namespace kestrune
