// The process-wide socket reactor: one thread waits on every registered
// socket, runs the due timers and calls each ready socket's handler.
#pragma once

#include <atomic>
#include <thread>

#include "net/event_handler.h"
#include "net/reactor_lock.h"
#include "net/reactor_timer_interface.h"
#include "net/socket_select_reactor.h"

namespace kestrune {

class SocketReactor : public NVS_Reactor_Timer_Interface {
public:
  static SocketReactor* instance();

  int start();                 // starts the reactor thread unless one runs
  void stop_and_wait();        // sets the stop flag, wakes and joins the thread
  bool running() const { return thread_state_.load() == 1; }

  int register_handler(Socket_Event_Handler* handler);
  int remove_handler(socket_t socket);
  // Removes the handler's socket only while that socket is still registered
  // to this handler: the socket number may have been closed and reused by the
  // time a caller on another thread gets the lock.
  int remove_handler_of(Socket_Event_Handler* handler);
  // The handler has bytes queued: have its socket watched for writability.
  // Any thread; a waiting reactor thread is woken.
  void request_output(Socket_Event_Handler* handler) { impl_->request_output(handler); }

  int schedule_timer(Socket_Event_Handler* handler, void* arg,
                     const TimeValue& delay, const TimeValue& interval) override;
  int reset_timer_interval(int timer_id, const TimeValue& interval) override;
  int cancel_timer(Socket_Event_Handler* handler, int dont_call) override;
  int cancel_timer(int timer_id, void** arg_out, int dont_call) override;

  Socket_Select_Reactor_Win32* impl() { return impl_; }
  bool on_reactor_thread() const;
  // True on the thread that is running a pass or a removal right now: the
  // only place where hooks run and dispatch state may be touched.
  bool holds_lock() const { return impl_->holds_lock(); }

  // A reactor of its own, for tests that drive passes by hand.
  SocketReactor();
  ~SocketReactor() override;
  SocketReactor(const SocketReactor&) = delete;
  SocketReactor& operator=(const SocketReactor&) = delete;
  int run_event_loop();
  // One pass under the reactor lock. Once the reactor thread runs, only it
  // may run passes.
  int handle_events(const TimeValue* max_wait);

  static const TimeValue kMaxWait;  // 1 s 100 us

private:
  Socket_Select_Reactor_Win32* impl_;
  ReactorTimerQueue* queue_;
  std::thread thread_ GUARDED_BY(life_lock_);
  std::atomic<std::thread::id> thread_id_{};
  std::atomic<int> thread_state_{0};
  std::atomic<bool> stop_{false};
  Mutex life_lock_;  // start and stop_and_wait
  ReactorLock lock_;
};

}  // namespace kestrune
