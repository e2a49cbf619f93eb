#include "main_thread_mailbox.h"

#include <QCoreApplication>
#include <QTimer>
#include <QTimerEvent>

namespace velmora {

QEvent::Type MailboxEvent::event_type() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

MainThreadMailbox::MainThreadMailbox(QObject* parent) : QObject(parent) {}

MainThreadMailbox::~MainThreadMailbox() = default;

void MainThreadMailbox::post(EngineEvent event) {
  QCoreApplication::postEvent(this, new MailboxEvent(std::move(event)));
}

bool MainThreadMailbox::event(QEvent* e) {
  if (e->type() == MailboxEvent::event_type()) {
    handle_event(static_cast<MailboxEvent*>(e)->event);
    return true;
  }
  return QObject::event(e);
}

void MainThreadMailbox::set_window_timer(int id, std::int64_t ms) {
  kill_window_timer(id);
  if (ms <= 0) return;
  // QObject timers take an int; a week in milliseconds still fits.
  int qt_id = startTimer(static_cast<int>(ms));
  if (qt_id != 0) window_timers_[id] = qt_id;
}

void MainThreadMailbox::kill_window_timer(int id) {
  auto it = window_timers_.find(id);
  if (it == window_timers_.end()) return;
  killTimer(it->second);
  window_timers_.erase(it);
}

bool MainThreadMailbox::window_timer_active(int id) const {
  return window_timers_.count(id) != 0;
}

void MainThreadMailbox::timerEvent(QTimerEvent* e) {
  for (const auto& [id, qt_id] : window_timers_) {
    if (qt_id == e->timerId()) {
      handle_window_timer(id);
      return;
    }
  }
}

void MainThreadMailbox::arm_camera_timer(std::int32_t camera_id, int ms) {
  std::uint64_t generation;
  {
    MutexLock lock(camera_timers_mutex_);
    generation = ++next_generation_;
    camera_timers_[camera_id] = CameraTimer{generation, true};
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  QMetaObject::invokeMethod(
      this,
      [this, camera_id, generation, deadline] {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        QTimer::singleShot(static_cast<int>(left > 0 ? left : 0), this,
                           [this, camera_id, generation] {
                             fire_camera_timer(camera_id, generation);
                           });
      },
      Qt::QueuedConnection);
}

void MainThreadMailbox::cancel_camera_timer(std::int32_t camera_id) {
  MutexLock lock(camera_timers_mutex_);
  auto it = camera_timers_.find(camera_id);
  if (it != camera_timers_.end()) camera_timers_.erase(it);
}

bool MainThreadMailbox::camera_timer_armed(std::int32_t camera_id) const {
  MutexLock lock(camera_timers_mutex_);
  auto it = camera_timers_.find(camera_id);
  return it != camera_timers_.end() && it->second.armed;
}

void MainThreadMailbox::fire_camera_timer(std::int32_t camera_id, std::uint64_t generation) {
  {
    MutexLock lock(camera_timers_mutex_);
    auto it = camera_timers_.find(camera_id);
    if (it == camera_timers_.end() || it->second.generation != generation || !it->second.armed)
      return;
    camera_timers_.erase(it);
  }
  handle_camera_timer(camera_id);
}

void MainThreadMailbox::run_later(int ms, std::function<void()> fn) {
  QMetaObject::invokeMethod(
      this,
      [this, ms, fn = std::move(fn)]() mutable {
        QTimer::singleShot(ms < 0 ? 0 : ms, this, std::move(fn));
      },
      Qt::QueuedConnection);
}

}  // namespace velmora
