// What arrives from the sibling program: the messages it may post are passed
// on to the main thread's mailbox (anything else is dropped: a worker message
// from outside could fake statuses), and its data copies fill the table of
// the cameras its discovery found. Main thread only.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <map>

#include "link_frame.h"
#include "message_sink.h"

namespace velmora {

class SiblingInbox {
public:
  explicit SiblingInbox(MessageSink& mailbox) : mailbox_(mailbox) {}

  // A frame read from our endpoint.
  void on_frame(const LinkFrame& f);
  // A data copy, back from the mailbox. True when it changed the table (or
  // replaced entries); false for an unknown code or a short record.
  bool on_copy_data(std::int32_t code, const QByteArray& data);

  // Camera id -> its 44-byte discovery record.
  const std::map<std::int32_t, QByteArray>& discovered() const { return discovered_; }

private:
  MessageSink& mailbox_;
  std::map<std::int32_t, QByteArray> discovered_;
};

}  // namespace velmora
