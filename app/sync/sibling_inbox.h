// What arrives from the sibling program: the numbered messages it may post,
// and its data copies, become events for the main thread's mailbox (anything
// else is dropped: a worker event from outside could fake statuses). The
// copies fill the discovered-camera table there. Main thread only.
#pragma once

#include "link_frame.h"
#include "message_sink.h"

namespace velmora {

class SiblingInbox {
public:
  explicit SiblingInbox(MessageSink& mailbox) : mailbox_(mailbox) {}

  // A frame read from our endpoint.
  void on_frame(const LinkFrame& f);
private:
  MessageSink& mailbox_;
};

}  // namespace velmora
