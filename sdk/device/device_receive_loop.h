// Reassembles device messages from the bytes read off one connection and
// hands each complete message, in arrival order, to a dispatcher. Holds the
// connection's fixed 131072-byte receive buffer.
#pragma once

#include <cstdint>

namespace kestrune {

class DeviceMessageSink {
public:
  virtual ~DeviceMessageSink() = default;
  // message points at the header; valid only during the call.
  virtual void on_device_message(const char* message, std::uint32_t length) = 0;
};

class DeviceReceiveLoop {
public:
  static constexpr int kCapacity = 0x20000;
  static constexpr int kHeader = 6;
  // feed() results.
  static constexpr int kOk = 0;
  static constexpr int kDropped = -1;       // chunk not taken, connection may stay
  static constexpr int kFramingError = -2;  // the stream cannot be parsed any more

  explicit DeviceReceiveLoop(DeviceMessageSink* sink) : sink_(sink) {}
  DeviceReceiveLoop(const DeviceReceiveLoop&) = delete;
  DeviceReceiveLoop& operator=(const DeviceReceiveLoop&) = delete;

  // Appends a chunk and dispatches every message it completes.
  int feed(const char* data, int n);
  // Also safe from within a dispatch: the running drain stops there.
  void reset() {
    fill_ = 0;
    reset_seen_ = true;
  }
  int fill() const { return fill_; }

private:
  // Dispatches the complete messages at the front and moves the rest down.
  int drain();

  DeviceMessageSink* sink_;
  int fill_ = 0;
  bool reset_seen_ = false;
  alignas(8) char buffer_[kCapacity];
};

}  // namespace kestrune
