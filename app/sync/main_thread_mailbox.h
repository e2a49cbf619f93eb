// The main thread's mailbox and timers: workers on any thread post typed
// events to it, and it owns the window timers (by
// identifier) and one timer per camera. Everything it delivers runs on the
// thread that owns it (the main thread); a window, if any, sits on top.
#pragma once

#include <QEvent>
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

#include "annotated_mutex.h"
#include "message_sink.h"

namespace velmora {

class MailboxEvent : public QEvent {
public:
  explicit MailboxEvent(EngineEvent e) : QEvent(event_type()), event(std::move(e)) {}
  static QEvent::Type event_type();
  EngineEvent event;
};

class MainThreadMailbox : public QObject, public MessageSink {
  Q_OBJECT
public:
  explicit MainThreadMailbox(QObject* parent = nullptr);
  ~MainThreadMailbox() override;

  void post(EngineEvent event) override;
  void arm_camera_timer(std::int32_t camera_id, int ms) override;
  void cancel_camera_timer(std::int32_t camera_id) override;
  void run_later(int ms, std::function<void()> fn) override;

  // Window timers, window thread only. Setting a running timer restarts it.
  void set_window_timer(int id, std::int64_t ms);
  void kill_window_timer(int id);
  bool window_timer_active(int id) const;
  bool camera_timer_armed(std::int32_t camera_id) const;

protected:
  bool event(QEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

  virtual void handle_event(const EngineEvent& e) = 0;
  virtual void handle_window_timer(int id) = 0;
  virtual void handle_camera_timer(std::int32_t camera_id) = 0;

private:
  void fire_camera_timer(std::int32_t camera_id, std::uint64_t generation);

  std::map<int, int> window_timers_;  // our identifier -> QObject timer id

  struct CameraTimer {
    std::uint64_t generation = 0;
    bool armed = false;
  };
  mutable Mutex camera_timers_mutex_;
  std::map<std::int32_t, CameraTimer> camera_timers_ GUARDED_BY(camera_timers_mutex_);
  std::uint64_t next_generation_ GUARDED_BY(camera_timers_mutex_) = 0;
};

}  // namespace velmora
