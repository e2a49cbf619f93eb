#include "net/reactor.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "net/log.h"

namespace kestrune {
namespace {

const char kModule[] = "Socket_Select_Reactor_Win32";

constexpr int kReadBits = MASK_READ | MASK_ACCEPT | MASK_CONNECT;  // 0x19
constexpr int kWriteBits = MASK_WRITE | MASK_CONNECT;              // 0x12
constexpr int kRemoveReadBits = MASK_READ | MASK_ACCEPT;           // 0x09

// What select would report for each set, from poll's result bits.
constexpr short kReadyRead = POLLIN | POLLRDNORM | POLLRDBAND | POLLHUP | POLLERR;
constexpr short kReadyWrite = POLLOUT | POLLWRNORM | POLLWRBAND | POLLERR;
constexpr short kReadyExcept = POLLPRI;

}  // namespace

// ---------------------------------------------------------------------------
// Socket_Select_Reactor_Win32

int Socket_Select_Reactor_Win32::open(ReactorTimerQueue* timer_queue) {
  Guard guard(lock_);
  timer_queue_ = timer_queue;
  return 0;
}

int Socket_Select_Reactor_Win32::register_handler(socket_t socket, Socket_Event_Handler* handler,
                                                  int mask) {
  Guard guard(lock_);
  if (socket == 0) return -1;
  if (socket == kInvalidSocket) {
    socket = handler != nullptr ? handler->get_handle() : kInvalidSocket;
    if (socket == kInvalidSocket) return -1;
  }
  if (socket < 0) return -1;
  if (mask & kReadBits) wait_[EV_READ].add(socket);
  if (mask & kWriteBits) wait_[EV_WRITE].add(socket);
  if (mask & MASK_EXCEPT) wait_[EV_EXCEPT].add(socket);
  handlers_[socket] = handler;
  return 0;
}

int Socket_Select_Reactor_Win32::register_handler(Socket_Event_Handler* handler, int mask) {
  if (handler == nullptr) return -1;
  return register_handler(handler->get_handle(), handler, mask);
}

int Socket_Select_Reactor_Win32::deactivate(int flag) {
  Guard guard(lock_);
  deactivated_ = flag;
  return 0;
}

int Socket_Select_Reactor_Win32::deactivated() {
  Guard guard(lock_);
  return deactivated_;
}

int Socket_Select_Reactor_Win32::remove_handler(const SocketSet& sockets, int mask) {
  Guard guard(lock_);
  SocketSet copy;
  copy.assign(sockets);  // removal may change the caller's set
  for (int i = 0; i < copy.count(); ++i) {
    if (copy.at(i) == kInvalidSocket) break;
    if (remove_handler(copy.at(i), mask) == -1) return -1;
  }
  return 0;
}

int Socket_Select_Reactor_Win32::remove_handler(socket_t socket, int mask) {
  Guard guard(lock_);
  auto it = handlers_.find(socket);
  if (it == handlers_.end()) {
    sdk_log(kModule, LOG_ERROR, "Can't find Socket %d, When Remove.", socket);
    return 0;
  }
  Socket_Event_Handler* handler = it->second;
  if (mask & kRemoveReadBits) wait_[EV_READ].remove(socket);
  if (mask & MASK_WRITE) wait_[EV_WRITE].remove(socket);
  if (mask & MASK_EXCEPT) wait_[EV_EXCEPT].remove(socket);
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
  for (int i = 0; i < 3; ++i) {
    ready_[i].remove(socket);
    deferred_[i].remove(socket);
  }
  restart_ = true;
}

void Socket_Select_Reactor_Win32::clear_ready(socket_t socket, int mask) {
  Guard guard(lock_);
  if (mask & kRemoveReadBits) ready_[EV_READ].remove(socket);
  if (mask & MASK_WRITE) ready_[EV_WRITE].remove(socket);
  if (mask & MASK_EXCEPT) ready_[EV_EXCEPT].remove(socket);
  restart_ = true;
}

bool Socket_Select_Reactor_Win32::is_registered(socket_t socket) {
  Guard guard(lock_);
  return handlers_.count(socket) != 0;
}

Socket_Event_Handler* Socket_Select_Reactor_Win32::handler_for(socket_t socket) {
  Guard guard(lock_);
  auto it = handlers_.find(socket);
  return it == handlers_.end() ? nullptr : it->second;
}

int Socket_Select_Reactor_Win32::schedule_timer(Socket_Event_Handler* handler, void* arg,
                                                const TimeValue& delay,
                                                const TimeValue& interval) {
  Guard guard(lock_);
  if (timer_queue_ == nullptr) return -1;
  return timer_queue_->schedule(handler, arg, TimeValue::now() + delay, interval);
}

int Socket_Select_Reactor_Win32::reset_timer_interval(int timer_id, const TimeValue& interval) {
  Guard guard(lock_);
  if (timer_queue_ == nullptr) return -1;
  return timer_queue_->reset_interval(timer_id, interval);
}

int Socket_Select_Reactor_Win32::cancel_timer(int timer_id, void** arg_out, int dont_call) {
  Guard guard(lock_);
  if (timer_queue_ == nullptr) return 0;
  return timer_queue_->cancel(timer_id, arg_out, dont_call);
}

int Socket_Select_Reactor_Win32::cancel_timer(Socket_Event_Handler* handler, int dont_call) {
  Guard guard(lock_);
  if (timer_queue_ == nullptr) return 0;
  return timer_queue_->cancel(handler, dont_call);
}

int Socket_Select_Reactor_Win32::expire_timers(int& count) {
  Guard guard(lock_);
  if (timer_queue_ != nullptr && !timer_queue_->is_empty()) {
    count += timer_queue_->expire(TimeValue::now() + timer_queue_->skew());
  }
  return 0;
}

int Socket_Select_Reactor_Win32::handle_events(const TimeValue* max_wait) {
  Guard guard(lock_);
  if (deactivated_) return -1;
  for (auto& s : ready_) s.clear();
  int n = timer_queue_ != nullptr ? wait_step(max_wait) : 0;
  if (n == -1) return -1;
  return dispatch_cycle(n);
}

int Socket_Select_Reactor_Win32::wait_step(const TimeValue* max_wait) {
  for (;;) {
    TimeValue tv;
    const TimeValue* timeout = timer_queue_->calculate_timeout(max_wait, &tv);
    for (int i = 0; i < 3; ++i) ready_[i].assign(wait_[i]);
    if (wait_[0].count() + wait_[1].count() + wait_[2].count() == 0) {
      sleep_ms(1);
      return 0;
    }
    int n = poll_ready(timeout);
    if (n != -1) return n;

    sdk_log(kModule, LOG_ERROR, "Select Error:%d.", last_socket_error());
    if (probe_sockets() == 0) {
      for (auto& s : ready_) s.clear();
      return -1;
    }
  }
}

// Waits on the ready sets (copies of the wait sets) and leaves in each only
// the sockets poll reported for that event, in their order. Returns the
// number of set entries left, or -1 when the wait failed; a registered socket
// that was closed (POLLNVAL) counts as a failed wait, as select reports it.
int Socket_Select_Reactor_Win32::poll_ready(const TimeValue* timeout) {
  pollfds_.clear();
  int highest = -1;
  for (const SocketSet& set : ready_) {
    for (int i = 0; i < set.count(); ++i) highest = std::max(highest, set.at(i));
  }
  if (static_cast<int>(slot_.size()) <= highest) slot_.resize(highest + 1);
  for (const SocketSet& set : ready_) {
    for (int i = 0; i < set.count(); ++i) slot_[set.at(i)] = -1;
  }
  auto add = [&](const SocketSet& set, short events) {
    for (int i = 0; i < set.count(); ++i) {
      int& index = slot_[set.at(i)];
      if (index < 0) {
        index = static_cast<int>(pollfds_.size());
        pollfds_.push_back(pollfd{set.at(i), 0, 0});
      }
      pollfds_[index].events |= events;
    }
  };
  add(ready_[EV_READ], POLLIN);
  add(ready_[EV_WRITE], POLLOUT);
  add(ready_[EV_EXCEPT], POLLPRI);

  timespec ts{};
  if (timeout != nullptr) {
    std::int64_t us = timeout->total_usec();
    if (us < 0) us = 0;
    ts.tv_sec = static_cast<time_t>(us / 1000000);
    ts.tv_nsec = static_cast<long>(us % 1000000) * 1000;
  }
  int rc = ::ppoll(pollfds_.data(), pollfds_.size(), timeout ? &ts : nullptr, nullptr);
  if (rc < 0) {
    if (errno == EINTR) {
      for (auto& s : ready_) s.clear();
      return 0;
    }
    return -1;
  }
  for (const pollfd& p : pollfds_) {
    if (p.revents & POLLNVAL) {
      errno = EBADF;
      return -1;
    }
  }
  auto keep = [&](SocketSet& set, short bits) {
    set.keep_if([&](socket_t s) { return (pollfds_[slot_[s]].revents & bits) != 0; });
  };
  keep(ready_[EV_READ], kReadyRead);
  keep(ready_[EV_WRITE], kReadyWrite);
  keep(ready_[EV_EXCEPT], kReadyExcept);
  return ready_[0].count() + ready_[1].count() + ready_[2].count();
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
  if (result == 0) return 0;
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
  } else if (same) {
    deferred_[ev].add(socket);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// SocketReactor

int cancel_handler_timers(SocketReactor* reactor, Socket_Event_Handler* handler, int dont_call) {
  return reactor->cancel_timer(handler, dont_call);
}

const TimeValue SocketReactor::kMaxWait(1, 100);

namespace {

SocketReactor* g_reactor = nullptr;

// Stops and joins the process-wide reactor thread when the process exits, so
// the thread never runs into destroyed statics.
struct ReactorExitGuard {
  ~ReactorExitGuard() {
    if (g_reactor != nullptr) g_reactor->stop_and_wait();
  }
};

}  // namespace

SocketReactor* SocketReactor::instance() {
  static SocketReactor* reactor = [] {
    g_reactor = new SocketReactor;  // never destroyed: handlers may outlive main
    static ReactorExitGuard guard;
    return g_reactor;
  }();
  return reactor;
}

SocketReactor::SocketReactor()
    : impl_(new Socket_Select_Reactor_Win32),
      queue_(new NVS_Timer_List_Queue_T<Socket_Event_Handler>) {
  impl_->open(queue_);
}

SocketReactor::~SocketReactor() {
  stop_and_wait();
  delete impl_;
  delete queue_;
}

int SocketReactor::start() {
  std::lock_guard<std::mutex> life(life_lock_);
  if (thread_state_.load() == 1) return 0;
  if (thread_.joinable()) thread_.join();  // a loop that ended on its own
  stop_.store(false);
  thread_state_.store(1);
  thread_ = std::thread([this] {
    thread_id_.store(std::this_thread::get_id());
    run_event_loop();
    thread_state_.store(0);
  });
  return 0;
}

void SocketReactor::stop_and_wait() {
  stop_.store(true);
  std::lock_guard<std::mutex> life(life_lock_);
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) return;  // cannot wait for itself
  thread_.join();
  thread_state_.store(0);
}

bool SocketReactor::on_reactor_thread() const {
  return thread_id_.load() == std::this_thread::get_id();
}

int SocketReactor::handle_events(const TimeValue* max_wait) {
  Guard guard(lock_);
  return impl_->handle_events(max_wait);
}

int SocketReactor::run_event_loop() {
  plain_line("Reactor Event Loop Started");
  if (impl_->deactivated()) return 0;
  TimeValue wait = kMaxWait;
  int result = handle_events(&wait);
  while (result != -1) {
    wait = kMaxWait;
    sleep_ms(1);
    if (stop_.load()) return 0;
    result = handle_events(&wait);
  }
  plain_line("Reactor is Stopped.....");
  return impl_->deactivated() ? 0 : -1;
}

int SocketReactor::register_handler(Socket_Event_Handler* handler) {
  if (handler == nullptr) return -1;
  Guard guard(lock_);
  SocketReactor* previous = handler->get_reactor();
  handler->set_reactor(this);
  int result = impl_->register_handler(handler, MASK_READ | MASK_WRITE | MASK_EXCEPT | MASK_CONNECT);
  if (result == -1) handler->set_reactor(previous);
  return result;
}

int SocketReactor::remove_handler(socket_t socket) {
  Guard guard(lock_);
  return impl_->remove_handler(socket, MASK_ALL);
}

int SocketReactor::remove_handler_of(Socket_Event_Handler* handler) {
  if (handler == nullptr) return 0;
  Guard guard(lock_);
  socket_t socket = handler->get_handle();
  if (socket == kInvalidSocket || impl_->handler_for(socket) != handler) {
    sdk_log(kModule, LOG_ERROR, "Can't find Socket %d, When Remove.", socket);
    return 0;
  }
  return impl_->remove_handler(socket, MASK_ALL);
}

// Timer calls take the reactor lock too, so that a hook they run (such as a
// handle_close that removes its socket) always takes the locks in the same
// order as the reactor thread.
int SocketReactor::schedule_timer(Socket_Event_Handler* handler, void* arg,
                                  const TimeValue& delay, const TimeValue& interval) {
  Guard guard(lock_);
  SocketReactor* previous = handler != nullptr ? handler->get_reactor() : nullptr;
  if (handler != nullptr) handler->set_reactor(this);
  int id = impl_->schedule_timer(handler, arg, delay, interval);
  if (id == -1 && handler != nullptr) handler->set_reactor(previous);
  return id;
}

int SocketReactor::reset_timer_interval(int timer_id, const TimeValue& interval) {
  Guard guard(lock_);
  return impl_->reset_timer_interval(timer_id, interval);
}

int SocketReactor::cancel_timer(Socket_Event_Handler* handler, int dont_call) {
  Guard guard(lock_);
  return impl_->cancel_timer(handler, dont_call);
}

int SocketReactor::cancel_timer(int timer_id, void** arg_out, int dont_call) {
  Guard guard(lock_);
  return impl_->cancel_timer(timer_id, arg_out, dont_call);
}

}  // namespace kestrune
