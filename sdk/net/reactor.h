// The process-wide socket reactor: one thread waits on every registered
// socket, runs the due timers and calls each ready socket's handler.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <poll.h>

#include "net/event_handler.h"
#include "net/socket_set.h"
#include "net/timer_queue.h"

namespace kestrune {

// How handlers schedule and cancel timers.
class NVS_Reactor_Timer_Interface {
public:
  virtual ~NVS_Reactor_Timer_Interface() = default;
  virtual int schedule_timer(Socket_Event_Handler* handler, void* arg,
                             const TimeValue& delay, const TimeValue& interval) = 0;
  virtual int reset_timer_interval(int timer_id, const TimeValue& interval) = 0;
  virtual int cancel_timer(Socket_Event_Handler* handler, int dont_call) = 0;
  virtual int cancel_timer(int timer_id, void** arg_out, int dont_call) = 0;
};

using ReactorTimerQueue = NVS_Timer_Queue_T<Socket_Event_Handler>;

// Abstract reactor implementation.
class SocketReactor_Impl {
public:
  virtual ~SocketReactor_Impl() = default;
  virtual int open(ReactorTimerQueue* timer_queue) = 0;
  virtual int register_handler(socket_t socket, Socket_Event_Handler* handler, int mask) = 0;
  virtual int register_handler(Socket_Event_Handler* handler, int mask) = 0;
  virtual int handle_events(const TimeValue* max_wait) = 0;
  virtual int deactivate(int flag) = 0;
  virtual int deactivated() = 0;
  virtual int noop() { return 0; }
  virtual int remove_handler(const SocketSet& sockets, int mask) = 0;
  virtual int remove_handler(socket_t socket, int mask) = 0;
  virtual int schedule_timer(Socket_Event_Handler* handler, void* arg,
                             const TimeValue& delay, const TimeValue& interval) = 0;
  virtual int reset_timer_interval(int timer_id, const TimeValue& interval) = 0;
  virtual int cancel_timer(int timer_id, void** arg_out, int dont_call) = 0;
  virtual int cancel_timer(Socket_Event_Handler* handler, int dont_call) = 0;
  virtual int expire_timers(int& count) = 0;
};

// The one implementation: ordered socket sets waited on with poll (select's
// FD_SETSIZE cap would not hold 4096 sockets here), a socket-to-handler map
// and the timer queue.
class Socket_Select_Reactor_Win32 : public SocketReactor_Impl {
public:
  Socket_Select_Reactor_Win32() = default;
  ~Socket_Select_Reactor_Win32() override = default;
  Socket_Select_Reactor_Win32(const Socket_Select_Reactor_Win32&) = delete;
  Socket_Select_Reactor_Win32& operator=(const Socket_Select_Reactor_Win32&) = delete;

  int open(ReactorTimerQueue* timer_queue) override;
  int register_handler(socket_t socket, Socket_Event_Handler* handler, int mask) override;
  int register_handler(Socket_Event_Handler* handler, int mask) override;
  int handle_events(const TimeValue* max_wait) override;
  int deactivate(int flag) override;
  int deactivated() override;
  int remove_handler(const SocketSet& sockets, int mask) override;
  int remove_handler(socket_t socket, int mask) override;
  int schedule_timer(Socket_Event_Handler* handler, void* arg,
                     const TimeValue& delay, const TimeValue& interval) override;
  int reset_timer_interval(int timer_id, const TimeValue& interval) override;
  int cancel_timer(int timer_id, void** arg_out, int dont_call) override;
  int cancel_timer(Socket_Event_Handler* handler, int dont_call) override;
  int expire_timers(int& count) override;

  // Removes the socket from the ready sets named by the mask and makes the
  // running scan start again from its first socket.
  void clear_ready(socket_t socket, int mask);

  ReactorTimerQueue* timer_queue() const { return timer_queue_; }
  bool is_registered(socket_t socket);
  Socket_Event_Handler* handler_for(socket_t socket);  // null when none

private:
  enum Event { EV_WRITE, EV_EXCEPT, EV_READ };
  int wait_step(const TimeValue* max_wait);
  int dispatch_cycle(int& n);
  int take_deferred();
  int dispatch_set(Event ev, int n, int& dispatched);
  int dispatch_socket(Event ev, socket_t socket);
  int probe_sockets();
  int poll_ready(const TimeValue* timeout);
  void purge(socket_t socket);

  ReactorTimerQueue* timer_queue_ = nullptr;
  std::map<socket_t, Socket_Event_Handler*> handlers_;
  SocketSet wait_[3];
  SocketSet ready_[3];
  SocketSet deferred_[3];
  int deactivated_ = 0;
  bool restart_ = false;
  std::vector<pollfd> pollfds_;
  std::vector<int> slot_;  // socket -> index into pollfds_ during one wait
  Lock lock_;
};

class SocketReactor : public NVS_Reactor_Timer_Interface {
public:
  static SocketReactor* instance();

  int start();                 // starts the reactor thread unless one runs
  void stop_and_wait();        // sets the stop flag and joins the thread
  bool running() const { return thread_state_.load() == 1; }

  int register_handler(Socket_Event_Handler* handler);
  int remove_handler(socket_t socket);
  // Removes the handler's socket only while that socket is still registered
  // to this handler: the socket number may have been closed and reused by the
  // time a caller on another thread gets the lock.
  int remove_handler_of(Socket_Event_Handler* handler);

  int schedule_timer(Socket_Event_Handler* handler, void* arg,
                     const TimeValue& delay, const TimeValue& interval) override;
  int reset_timer_interval(int timer_id, const TimeValue& interval) override;
  int cancel_timer(Socket_Event_Handler* handler, int dont_call) override;
  int cancel_timer(int timer_id, void** arg_out, int dont_call) override;

  Socket_Select_Reactor_Win32* impl() { return impl_; }
  void set_stop_flag(bool v) { stop_.store(v); }
  bool on_reactor_thread() const;

  // A reactor of its own, for tests that drive passes by hand.
  SocketReactor();
  ~SocketReactor() override;
  SocketReactor(const SocketReactor&) = delete;
  SocketReactor& operator=(const SocketReactor&) = delete;
  int run_event_loop();
  // One pass under the reactor lock, as the reactor thread runs it.
  int handle_events(const TimeValue* max_wait);

  static const TimeValue kMaxWait;  // 1 s 100 us

private:
  Socket_Select_Reactor_Win32* impl_;
  ReactorTimerQueue* queue_;
  std::thread thread_;
  std::atomic<std::thread::id> thread_id_{};
  std::atomic<int> thread_state_{0};
  std::atomic<bool> stop_{false};
  std::mutex life_lock_;  // start and stop_and_wait
  Lock lock_;
};

}  // namespace kestrune
