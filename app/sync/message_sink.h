// What a worker needs to talk to the main thread: numbered messages with an
// owned payload, and per-camera timers. Safe from any thread; free of QObject
// so that workers (and tests) need no event machinery to use it.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace velmora {

struct Message {
  std::uint32_t msg = 0;
  std::intptr_t wparam = 0;
  std::intptr_t lparam = 0;
  QByteArray data;  // heap payload, owned by the message
};

class MessageSink {
public:
  virtual ~MessageSink() = default;
  virtual void post_message(std::uint32_t msg, std::intptr_t wparam, std::intptr_t lparam,
                            QByteArray data = {}) = 0;
  // Camera timers: arming again restarts the count; a cancelled or re-armed
  // timer never fires for its earlier arming.
  virtual void arm_camera_timer(std::int32_t camera_id, int ms) = 0;
  virtual void cancel_camera_timer(std::int32_t camera_id) = 0;
  // Runs `fn` on the main thread after `ms` milliseconds.
  virtual void run_later(int ms, std::function<void()> fn) = 0;
};

}  // namespace velmora
