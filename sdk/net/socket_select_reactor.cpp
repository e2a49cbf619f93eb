#include "net/socket_select_reactor.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <thread>

#include "net/ks_assert.h"
#include "net/log.h"

namespace kestrune {
namespace {

const char kModule[] = "Socket_Select_Reactor_Win32";

constexpr int kReadBits = MASK_READ | MASK_ACCEPT | MASK_CONNECT;  // 0x19
constexpr int kWriteBits = MASK_WRITE | MASK_CONNECT;              // 0x12
constexpr int kRemoveReadBits = MASK_READ | MASK_ACCEPT;           // 0x09

// epoll keys: the socket in the low half, its registration generation in the
// high half, so readiness reported for an earlier registration of the same
// number is recognised and dropped.
constexpr std::uint64_t kWakeKey = ~std::uint64_t(0);
std::uint64_t make_key(socket_t s, std::uint32_t gen) {
  return (std::uint64_t(gen) << 32) | static_cast<std::uint32_t>(s);
}

const TimeValue kCheckInterval(1, 0);

// Rounded up, so the wait never ends just before a timer is due.
int wait_ms(const TimeValue* timeout) {
  if (timeout == nullptr) return -1;
  std::int64_t us = timeout->total_usec();
  if (us <= 0) return 0;
  std::int64_t ms = (us + 999) / 1000;
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace

Socket_Select_Reactor_Win32::Socket_Select_Reactor_Win32()
    : epoll_fd_(::epoll_create1(EPOLL_CLOEXEC)), events_(64) {
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kWakeKey;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, waker_.fd(), &ev);
}

Socket_Select_Reactor_Win32::~Socket_Select_Reactor_Win32() {
  if (epoll_fd_ >= 0) ::close(epoll_fd_);
}

int Socket_Select_Reactor_Win32::open(ReactorTimerQueue* timer_queue) {
  ReactorGuard guard(lock_);
  timer_queue_ = timer_queue;
  return 0;
}

// ---------------------------------------------------------------------------
// Registration

Socket_Select_Reactor_Win32::Watch& Socket_Select_Reactor_Win32::watch(socket_t socket) {
  if (static_cast<std::size_t>(socket) >= watches_.size()) watches_.resize(socket + 1);
  return watches_[socket];
}

void Socket_Select_Reactor_Win32::join_wait_set(Event ev, socket_t socket) {
  Watch& w = watch(socket);
  if (w.seq[ev] != 0) return;
  const int before = wait_[ev].count();
  wait_[ev].add(socket);
  if (wait_[ev].count() > before) w.seq[ev] = next_seq_++;  // a full set drops it
}

void Socket_Select_Reactor_Win32::leave_wait_set(Event ev, socket_t socket) {
  wait_[ev].remove(socket);
  watch(socket).seq[ev] = 0;
}

// Brings the epoll registration of a socket in line with its wait sets.
void Socket_Select_Reactor_Win32::sync_interest(socket_t socket) {
  lock_.assert_held();
  Watch& w = watch(socket);
  std::uint32_t want = 0;
  if (w.seq[EV_READ] != 0) want |= EPOLLIN;
  if (w.seq[EV_EXCEPT] != 0) want |= EPOLLPRI;
  if (w.seq[EV_WRITE] != 0 && w.out_wanted) want |= EPOLLOUT;
  if (want == w.events) return;
  epoll_event ev{};
  if (want == 0) {
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, socket, &ev);  // gone already if it was closed
    w.events = 0;
    return;
  }
  ev.events = want;
  if (w.events != 0) {
    ev.data.u64 = make_key(socket, w.gen);
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, socket, &ev) == 0) {
      w.events = want;
      return;
    }
    // Closed and the number reused since: register the new socket afresh.
  }
  ev.data.u64 = make_key(socket, ++w.gen);
  if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, socket, &ev) == 0 ||
      (errno == EEXIST && ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, socket, &ev) == 0)) {
    w.events = want;
  } else {
    w.events = 0;  // a closed socket: the next check removes it
  }
}

int Socket_Select_Reactor_Win32::register_handler(socket_t socket, Socket_Event_Handler* handler,
                                                  int mask) {
  ReactorGuard guard(lock_);
  if (socket == 0) return -1;
  if (socket == kInvalidSocket) {
    socket = handler != nullptr ? handler->get_handle() : kInvalidSocket;
    if (socket == kInvalidSocket) return -1;
  }
  if (socket < 0) return -1;
  if (mask & kReadBits) join_wait_set(EV_READ, socket);
  if (mask & kWriteBits) join_wait_set(EV_WRITE, socket);
  if (mask & MASK_EXCEPT) join_wait_set(EV_EXCEPT, socket);
  handlers_[socket] = handler;
  watch(socket).out_wanted = handler == nullptr || handler->wants_output();
  sync_interest(socket);
  fresh_.push_back(socket);
  return 0;
}

int Socket_Select_Reactor_Win32::register_handler(Socket_Event_Handler* handler, int mask) {
  if (handler == nullptr) return -1;
  return register_handler(handler->get_handle(), handler, mask);
}

int Socket_Select_Reactor_Win32::deactivate(int flag) {
  ReactorGuard guard(lock_);
  deactivated_ = flag;
  waker_.wake();
  return 0;
}

int Socket_Select_Reactor_Win32::deactivated() {
  ReactorGuard guard(lock_);
  return deactivated_;
}

int Socket_Select_Reactor_Win32::remove_handler(const SocketSet& sockets, int mask) {
  ReactorGuard guard(lock_);
  SocketSet copy;
  copy.assign(sockets);  // removal may change the caller's set
  for (int i = 0; i < copy.count(); ++i) {
    if (copy.at(i) == kInvalidSocket) break;
    if (remove_handler(copy.at(i), mask) == -1) return -1;
  }
  return 0;
}

int Socket_Select_Reactor_Win32::remove_handler(socket_t socket, int mask) {
  ReactorGuard guard(lock_);
  auto it = handlers_.find(socket);
  if (it == handlers_.end()) {
    sdk_log(kModule, LOG_ERROR, "Can't find Socket %d, When Remove.", socket);
    return 0;
  }
  Socket_Event_Handler* handler = it->second;
  if (mask & kRemoveReadBits) leave_wait_set(EV_READ, socket);
  if (mask & MASK_WRITE) leave_wait_set(EV_WRITE, socket);
  if (mask & MASK_EXCEPT) leave_wait_set(EV_EXCEPT, socket);
  // Out of epoll before handle_close closes the socket.
  sync_interest(socket);
  handlers_.erase(it);
  // Entries still waiting in this pass must not reach the handler once it is
  // gone (it may delete itself in handle_close).
  purge(socket);
  if (handler == nullptr) {
    sdk_log(kModule, LOG_ERROR, "Event handle is Null, Socket %d, When Remove.", socket);
    return -1;
  }
  if (!(mask & MASK_DONT_CALL)) handler->handle_close(socket, mask);
  return 0;
}

void Socket_Select_Reactor_Win32::purge(socket_t socket) {
  lock_.assert_held();
  for (int i = 0; i < 3; ++i) {
    ready_[i].remove(socket);
    deferred_[i].remove(socket);
  }
  restart_ = true;
}

void Socket_Select_Reactor_Win32::clear_ready(socket_t socket, int mask) {
  ReactorGuard guard(lock_);
  if (mask & kRemoveReadBits) ready_[EV_READ].remove(socket);
  if (mask & MASK_WRITE) ready_[EV_WRITE].remove(socket);
  if (mask & MASK_EXCEPT) ready_[EV_EXCEPT].remove(socket);
  restart_ = true;
}

bool Socket_Select_Reactor_Win32::is_registered(socket_t socket) {
  ReactorGuard guard(lock_);
  return handlers_.count(socket) != 0;
}

Socket_Event_Handler* Socket_Select_Reactor_Win32::handler_for(socket_t socket) {
  ReactorGuard guard(lock_);
  auto it = handlers_.find(socket);
  return it == handlers_.end() ? nullptr : it->second;
}

void Socket_Select_Reactor_Win32::request_output(Socket_Event_Handler* handler) {
  if (handler == nullptr) return;
  const socket_t socket = handler->get_handle();
  if (socket < 0) return;
  {
    MutexGuard guard(output_lock_);
    output_requests_.emplace_back(socket, handler);
  }
  waker_.wake();
}

// Only a request whose handler still owns the socket counts: the socket may
// have been removed, closed and reused since it was made.
void Socket_Select_Reactor_Win32::apply_output_requests() {
  std::vector<std::pair<socket_t, Socket_Event_Handler*>> requests;
  {
    MutexGuard guard(output_lock_);
    if (output_requests_.empty()) return;
    requests.swap(output_requests_);
  }
  for (const auto& [socket, handler] : requests) {
    auto it = handlers_.find(socket);
    if (it == handlers_.end() || it->second != handler) continue;
    Watch& w = watch(socket);
    if (w.out_wanted) continue;
    w.out_wanted = true;
    sync_interest(socket);
  }
}

// ---------------------------------------------------------------------------
// Timers

int Socket_Select_Reactor_Win32::schedule_timer(Socket_Event_Handler* handler, void* arg,
                                                const TimeValue& delay,
                                                const TimeValue& interval) {
  ReactorGuard guard(lock_);
  if (timer_queue_ == nullptr) return -1;
  const int id = timer_queue_->schedule(handler, arg, TimeValue::now() + delay, interval);
  waker_.wake();  // the running wait may end later than this timer is due
  return id;
}

int Socket_Select_Reactor_Win32::reset_timer_interval(int timer_id, const TimeValue& interval) {
  ReactorGuard guard(lock_);
  if (timer_queue_ == nullptr) return -1;
  return timer_queue_->reset_interval(timer_id, interval);
}

int Socket_Select_Reactor_Win32::cancel_timer(int timer_id, void** arg_out, int dont_call) {
  ReactorGuard guard(lock_);
  if (timer_queue_ == nullptr) return 0;
  return timer_queue_->cancel(timer_id, arg_out, dont_call);
}

int Socket_Select_Reactor_Win32::cancel_timer(Socket_Event_Handler* handler, int dont_call) {
  ReactorGuard guard(lock_);
  if (timer_queue_ == nullptr) return 0;
  return timer_queue_->cancel(handler, dont_call);
}

int Socket_Select_Reactor_Win32::expire_timers(int& count) {
  ReactorGuard guard(lock_);
  if (timer_queue_ != nullptr && !timer_queue_->is_empty()) {
    count += timer_queue_->expire(TimeValue::now() + timer_queue_->skew());
  }
  return 0;
}

// ---------------------------------------------------------------------------
// One pass

int Socket_Select_Reactor_Win32::handle_events(const TimeValue* max_wait) {
  ReactorGuard guard(lock_);
  if (deactivated_) return -1;
  for (auto& s : ready_) s.clear();
  int n = timer_queue_ != nullptr ? wait_step(max_wait) : 0;
  if (n == -1) return -1;
  return dispatch_cycle(n);
}

int Socket_Select_Reactor_Win32::wait_step(const TimeValue* max_wait) {
  for (;;) {
    // Armed before anything the wait depends on is read, so a change made
    // by another thread after that point always ends the wait.
    waker_.arm();
    apply_output_requests();
    if (closed_socket_registered()) {
      waker_.disarm();
      sdk_log(kModule, LOG_ERROR, "Select Error:%d.", EBADF);
      if (probe_sockets() > 0) continue;
      waker_.arm();
    }
    TimeValue tv;
    const TimeValue* timeout = timer_queue_->calculate_timeout(max_wait, &tv);
    const int n = wait_ready(timeout);
    if (n != -1) return n;

    sdk_log(kModule, LOG_ERROR, "Select Error:%d.", last_socket_error());
    if (probe_sockets() == 0) {
      for (auto& s : ready_) s.clear();
      return -1;
    }
  }
}

// A registered socket that was closed without being removed has left the
// epoll set by itself; select would have failed on it.
bool Socket_Select_Reactor_Win32::closed_socket_registered() {
  auto closed = [this](socket_t s) REQUIRES(lock_) {
    if (s < 0 || static_cast<std::size_t>(s) >= watches_.size()) return false;
    const Watch& w = watches_[s];
    if (w.seq[0] == 0 && w.seq[1] == 0 && w.seq[2] == 0) return false;
    return ::fcntl(s, F_GETFD) < 0 && errno == EBADF;
  };
  const TimeValue now = TimeValue::now();
  if (now < next_check_) {
    bool found = false;
    for (socket_t s : fresh_) found = found || closed(s);
    fresh_.clear();
    return found;
  }
  fresh_.clear();
  next_check_ = now + kCheckInterval;
  for (std::size_t s = 0; s < watches_.size(); ++s) {
    if (closed(static_cast<socket_t>(s))) return true;
  }
  return false;
}

// Waits with both reactor locks given up, so other threads can register,
// remove and schedule meanwhile, then turns what epoll reported into the
// ready sets, in wait-set order. Returns the number of ready entries, or -1
// when the wait failed.
int Socket_Select_Reactor_Win32::wait_ready(const TimeValue* timeout) {
  if (events_.size() < watches_.size() + 1) events_.resize(watches_.size() + 1);
  const int ms = wait_ms(timeout);
  const int outer_depth = release_outer();
  const int depth = lock_.release_all();

  const int count = ::epoll_wait(epoll_fd_, events_.data(), static_cast<int>(events_.size()), ms);
  const int error = errno;
  // Threads that queued for the locks during the wait go first; without this
  // a busy reactor thread could take the locks back before they run.
  for (int i = 0; i < 64; ++i) {
    if (lock_.queued() == 0 && (outer_depth == 0 || outer_->queued() == 0)) break;
    std::this_thread::yield();
  }

  reacquire_outer(outer_depth);
  lock_.reacquire(depth);
  waker_.disarm();
  if (count < 0) {
    if (error == EINTR) return 0;
    errno = error;
    return -1;
  }
  collect_ready(count);
  return ready_[0].count() + ready_[1].count() + ready_[2].count();
}

// The front end's lock is held only when the pass came through it (tests may
// drive the implementation directly), which the analysis cannot follow.
int Socket_Select_Reactor_Win32::release_outer() {
  if (outer_ == nullptr || !outer_->held_by_this_thread()) return 0;
  return outer_->release_all();
}

void Socket_Select_Reactor_Win32::reacquire_outer(int depth) {
  if (depth > 0) outer_->reacquire(depth);
}

void Socket_Select_Reactor_Win32::collect_ready(int count) {
  for (auto& c : candidates_) c.clear();
  for (int i = 0; i < count; ++i) {
    const epoll_event& e = events_[i];
    if (e.data.u64 == kWakeKey) {
      waker_.drain();
      continue;
    }
    const socket_t s = static_cast<socket_t>(static_cast<std::uint32_t>(e.data.u64));
    const std::uint32_t gen = static_cast<std::uint32_t>(e.data.u64 >> 32);
    if (s < 0 || static_cast<std::size_t>(s) >= watches_.size()) continue;
    const Watch& w = watches_[s];
    if (w.events == 0 || w.gen != gen) continue;  // removed or re-registered during the wait
    const std::uint32_t r = e.events;
    if (w.seq[EV_WRITE] != 0 && (r & (EPOLLOUT | EPOLLERR))) {
      candidates_[EV_WRITE].emplace_back(w.seq[EV_WRITE], s);
    }
    if (w.seq[EV_EXCEPT] != 0 && (r & EPOLLPRI)) {
      candidates_[EV_EXCEPT].emplace_back(w.seq[EV_EXCEPT], s);
    }
    if (w.seq[EV_READ] != 0 && (r & (EPOLLIN | EPOLLHUP | EPOLLERR))) {
      candidates_[EV_READ].emplace_back(w.seq[EV_READ], s);
    }
  }
  for (int ev = 0; ev < 3; ++ev) {
    auto& c = candidates_[ev];
    std::sort(c.begin(), c.end());
    for (const auto& entry : c) ready_[ev].append(entry.second);
  }
}

int Socket_Select_Reactor_Win32::probe_sockets() {
  SocketSet all;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < wait_[i].count(); ++j) all.add(wait_[i].at(j));
  }
  int removed = 0;
  for (int i = 0; i < all.count(); ++i) {
    pollfd p{all.at(i), POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLNVAL)) {
      sdk_log(kModule, LOG_ERROR, "Socket %d Error,Remove It.", all.at(i));
      remove_handler(all.at(i), MASK_ALL);
      ++removed;
    }
  }
  return removed;
}

int Socket_Select_Reactor_Win32::dispatch_cycle(int& n) {
  for (;;) {
    int expired = 0;
    expire_timers(expired);
    int dispatched = 0;
    dispatch_set(EV_WRITE, n, dispatched);
    dispatch_set(EV_EXCEPT, n, dispatched);
    dispatch_set(EV_READ, n, dispatched);
    n -= dispatched;
    // Sockets that asked to be called again wait for a pass in which the
    // wait reported nothing.
    if (dispatched > 0) return 0;
    n = take_deferred();
    if (n <= 0) return 0;
  }
}

int Socket_Select_Reactor_Win32::take_deferred() {
  int total = deferred_[0].count() + deferred_[1].count() + deferred_[2].count();
  if (total <= 0) return 0;
  for (int i = 0; i < 3; ++i) {
    ready_[i].assign(deferred_[i]);
    deferred_[i].clear();
  }
  return total;
}

// Each socket is taken off the front of the ready set before its hook runs,
// so removals and restarts during the hook never make the scan skip or
// repeat a socket.
int Socket_Select_Reactor_Win32::dispatch_set(Event ev, int n, int& dispatched) {
  lock_.assert_held();
  SocketSet& set = ready_[ev];
  while (set.count() > 0 && dispatched < n) {
    socket_t socket = set.at(0);
    if (socket == kInvalidSocket) break;
    set.remove(socket);
    ++dispatched;
    dispatch_socket(ev, socket);
    restart_ = false;
  }
  return 0;
}

int Socket_Select_Reactor_Win32::dispatch_socket(Event ev, socket_t socket) {
  auto it = handlers_.find(socket);
  if (it == handlers_.end()) {
    sdk_log(kModule, LOG_ERROR, "Socket %d Can't be dispatch,No EventHandler Object.", socket);
    return 0;
  }
  Socket_Event_Handler* handler = it->second;
  if (handler == nullptr) {
    sdk_log(kModule, LOG_ERROR, "Socket %d handler is NULL.", socket);
    return 0;
  }
  int result = 0;
  switch (ev) {
    case EV_WRITE: result = handler->handle_output(); break;
    case EV_EXCEPT: result = handler->handle_exception(); break;
    case EV_READ: result = handler->handle_input(); break;
  }
  if (result == 0 && ev != EV_WRITE) return 0;
  // The hook may have removed (and deleted) its handler, and the socket
  // number may already belong to a new registration: act only while the
  // same handler is still registered.
  auto now = handlers_.find(socket);
  bool same = now != handlers_.end() && now->second == handler;
  if (result < 0) {
    if (same) {
      remove_handler(socket, MASK_ALL);
    } else {
      sdk_log(kModule, LOG_ERROR, "Can't find Socket %d, When Remove.", socket);
    }
    return 0;
  }
  if (!same) return 0;
  if (result > 0) deferred_[ev].add(socket);
  if (ev == EV_WRITE) {
    // Stop watching writability once the handler has nothing left to write.
    Watch& w = watch(socket);
    const bool want = handler->wants_output();
    if (w.out_wanted != want) {
      w.out_wanted = want;
      sync_interest(socket);
    }
  }
  return 0;
}

}  // namespace kestrune
