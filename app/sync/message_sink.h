// What a worker needs to talk to the main thread: typed events, and
// per-camera timers. Safe from any thread; free of QObject so that workers
// (and tests) need no event machinery to use it.
#pragma once

#include <cstdint>
#include <functional>

#include "engine_events.h"

namespace velmora {

class MessageSink {
public:
  virtual ~MessageSink() = default;
  // Hands the event to the main thread, which handles it after the caller's
  // current operation has returned.
  virtual void post(EngineEvent event) = 0;
  // Camera timers: arming again restarts the count; a cancelled or re-armed
  // timer never fires for its earlier arming.
  virtual void arm_camera_timer(std::int32_t camera_id, int ms) = 0;
  virtual void cancel_camera_timer(std::int32_t camera_id) = 0;
  // Runs `fn` on the main thread after `ms` milliseconds.
  virtual void run_later(int ms, std::function<void()> fn) = 0;
};

}  // namespace velmora
