#include "net/event_handler.h"

namespace kestrune {

int Socket_Event_Handler::add_reference() { return refs_.fetch_add(1) + 1; }

int Socket_Event_Handler::remove_reference() {
  int before = refs_.fetch_sub(1);
  if (before == 1) {
    delete this;
    return 0;
  }
  return before - 1;
}

}  // namespace kestrune
