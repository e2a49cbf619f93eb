#include "device/device_receive_loop.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "net/log.h"

namespace kestrune {

int DeviceReceiveLoop::feed(const char* data, int n) {
  if (fill_ < 0 || fill_ > kCapacity) {
    plain_line("[CameraDriverModule]: Buffer over flow.");
    return kDropped;
  }
  if (data == nullptr || n < 0) n = 0;
  // A chunk that does not fit behind a nearly complete message is taken in
  // pieces: every message fits the buffer on its own, so draining after each
  // piece always makes room and no byte of the stream is lost.
  int taken = 0;
  do {
    const int piece = std::min(n - taken, kCapacity - fill_);
    if (piece == 0 && taken < n) {
      plain_line("[CameraDriverModule]: Buffer not enough.");
      return kDropped;
    }
    if (piece > 0) std::memcpy(buffer_ + fill_, data + taken, static_cast<std::size_t>(piece));
    fill_ += piece;
    taken += piece;
    const int r = drain();
    if (r != kOk || reset_seen_) return r;
  } while (taken < n);
  return kOk;
}

int DeviceReceiveLoop::drain() {
  int cursor = 0;
  reset_seen_ = false;
  while (fill_ - cursor >= kHeader) {
    std::uint32_t length;
    std::memcpy(&length, buffer_ + cursor, sizeof length);
    if (length < static_cast<std::uint32_t>(kHeader) || length > static_cast<std::uint32_t>(kCapacity)) {
      // Such a message can never be consumed; waiting for it would stall the
      // connection (or spin), so the stream is given up.
      plain_line("[CameraDriverModule]: Bad Message Length:", static_cast<long long>(length));
      fill_ = 0;
      return kFramingError;
    }
    if (static_cast<std::uint32_t>(fill_ - cursor) < length) break;
    const auto type = static_cast<unsigned char>(buffer_[cursor + 4]);
    if (type == 0 || type >= 122) {
      std::string line = "[CameraDriverModule]: Error Message .";
      if (type != 0) line += static_cast<char>(type);
      line += "-- ";
      line += std::to_string(length);
      plain_line(line.c_str());
    } else {
      sink_->on_device_message(buffer_ + cursor, length);
      if (reset_seen_) return kOk;  // the connection closed under us
    }
    cursor += static_cast<int>(length);
  }
  if (cursor > 0) {
    fill_ -= cursor;
    std::memmove(buffer_, buffer_ + cursor, static_cast<std::size_t>(fill_));
  }
  return kOk;
}

}  // namespace kestrune
