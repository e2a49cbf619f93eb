// The name comes from the original Windows select() design; on Linux the wait
// is an epoll set.
// The reactor implementation: ordered wait sets (read, write, exception; 4096
// sockets each) decide what is watched and the order of dispatch, and an
// epoll set mirrors them, so a pass costs what is ready rather than what is
// registered. The wait runs without the locks: other threads register,
// remove and schedule while the reactor sleeps, and a timer or bytes to send
// from another thread wake it.
#pragma once

#include <sys/epoll.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "net/reactor_impl.h"
#include "net/reactor_lock.h"
#include "net/reactor_waker.h"

namespace kestrune {

class Socket_Select_Reactor_Win32 : public SocketReactor_Impl {
public:
  Socket_Select_Reactor_Win32();
  ~Socket_Select_Reactor_Win32() override;
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

  bool is_registered(socket_t socket);
  Socket_Event_Handler* handler_for(socket_t socket);  // null when none

  // The front end's lock, which the wait gives up together with this one.
  void set_outer_lock(ReactorLock* lock) { outer_ = lock; }
  // The handler has bytes to send: watch its socket for writability from
  // the next wait on. Any thread; ends a wait in progress.
  void request_output(Socket_Event_Handler* handler);
  // Ends the wait in progress, or the next one. Any thread.
  void wake() { waker_.wake_always(); }
  // Hooks and dispatch state are touched only by the thread holding this.
  bool holds_lock() const { return lock_.held_by_this_thread(); }

private:
  enum Event { EV_WRITE, EV_EXCEPT, EV_READ };

  // What the epoll set holds for one socket number.
  struct Watch {
    std::uint64_t seq[3] = {0, 0, 0};  // place in each wait set, 0 = not a member
    std::uint32_t gen = 0;             // bumped on every fresh epoll registration
    std::uint32_t events = 0;          // as registered with epoll, 0 = not there
    bool out_wanted = true;
  };

  int wait_step(const TimeValue* max_wait) REQUIRES(lock_);
  int wait_ready(const TimeValue* timeout) REQUIRES(lock_);
  int release_outer() NO_THREAD_SAFETY_ANALYSIS;
  void reacquire_outer(int depth) NO_THREAD_SAFETY_ANALYSIS;
  void collect_ready(int count) REQUIRES(lock_);
  void apply_output_requests() REQUIRES(lock_) EXCLUDES(output_lock_);
  bool closed_socket_registered() REQUIRES(lock_);
  int dispatch_cycle(int& n) REQUIRES(lock_);
  int take_deferred() REQUIRES(lock_);
  int dispatch_set(Event ev, int n, int& dispatched) REQUIRES(lock_);
  int dispatch_socket(Event ev, socket_t socket) REQUIRES(lock_);
  int probe_sockets() REQUIRES(lock_);
  void purge(socket_t socket) REQUIRES(lock_);
  Watch& watch(socket_t socket) REQUIRES(lock_);
  void join_wait_set(Event ev, socket_t socket) REQUIRES(lock_);
  void leave_wait_set(Event ev, socket_t socket) REQUIRES(lock_);
  void sync_interest(socket_t socket) REQUIRES(lock_);

  // Everything the passes work on belongs to lock_: a pass holds it except
  // during its wait, and every other thread takes it to register, remove or
  // schedule.
  ReactorTimerQueue* timer_queue_ GUARDED_BY(lock_) PT_GUARDED_BY(lock_) = nullptr;
  std::map<socket_t, Socket_Event_Handler*> handlers_ GUARDED_BY(lock_);
  SocketSet wait_[3] GUARDED_BY(lock_);
  SocketSet ready_[3] GUARDED_BY(lock_);
  SocketSet deferred_[3] GUARDED_BY(lock_);
  int deactivated_ GUARDED_BY(lock_) = 0;
  bool restart_ GUARDED_BY(lock_) = false;

  const int epoll_fd_;
  ReactorWaker waker_;  // any thread
  std::vector<Watch> watches_ GUARDED_BY(lock_);  // by socket number
  // Filled by epoll_wait while the locks are given up; only the thread
  // running the pass touches it, and only one pass runs at a time.
  std::vector<epoll_event> events_;
  std::vector<std::pair<std::uint64_t, socket_t>> candidates_[3] GUARDED_BY(lock_);
  std::uint64_t next_seq_ GUARDED_BY(lock_) = 1;
  // Sockets closed while registered vanish from epoll silently: the next
  // pass looks at the sockets registered since the last one, and every
  // second at all of them.
  std::vector<socket_t> fresh_ GUARDED_BY(lock_);
  TimeValue next_check_ GUARDED_BY(lock_);

  // Taken alone, never while calling out: a caller's thread appends, the
  // pass takes the whole list.
  Mutex output_lock_ ACQUIRED_AFTER(lock_);
  std::vector<std::pair<socket_t, Socket_Event_Handler*>> output_requests_ GUARDED_BY(output_lock_);

  ReactorLock* outer_ = nullptr;  // set once, before the reactor thread starts
  ReactorLock lock_;
};

}  // namespace kestrune
