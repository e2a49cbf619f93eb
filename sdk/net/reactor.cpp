#include "net/reactor.h"

#include "net/ks_assert.h"
#include "net/log.h"

namespace kestrune {
namespace {

const char kModule[] = "Socket_Select_Reactor_Win32";

SocketReactor* g_reactor = nullptr;

// Stops and joins the process-wide reactor thread when the process exits, so
// the thread never runs into destroyed statics.
struct ReactorExitGuard {
  ~ReactorExitGuard() {
    if (g_reactor != nullptr) g_reactor->stop_and_wait();
  }
};

}  // namespace

int cancel_handler_timers(SocketReactor* reactor, Socket_Event_Handler* handler, int dont_call) {
  return reactor->cancel_timer(handler, dont_call);
}

const TimeValue SocketReactor::kMaxWait(1, 100);

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
  impl_->set_outer_lock(&lock_);
}

SocketReactor::~SocketReactor() {
  stop_and_wait();
  delete impl_;
  delete queue_;
}

int SocketReactor::start() {
  MutexGuard life(life_lock_);
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
  impl_->wake();
  MutexGuard life(life_lock_);
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) return;  // cannot wait for itself
  thread_.join();
  thread_state_.store(0);
}

bool SocketReactor::on_reactor_thread() const {
  return thread_id_.load() == std::this_thread::get_id();
}

int SocketReactor::handle_events(const TimeValue* max_wait) {
  KS_ASSERT(!running() || on_reactor_thread() || thread_id_.load() == std::thread::id());
  ReactorGuard guard(lock_);
  return impl_->handle_events(max_wait);
}

// No pause between passes: each pass sleeps in its wait until a socket is
// ready, a timer is due or another thread wakes it.
int SocketReactor::run_event_loop() {
  plain_line("Reactor Event Loop Started");
  if (impl_->deactivated()) return 0;
  TimeValue wait = kMaxWait;
  int result = handle_events(&wait);
  while (result != -1) {
    wait = kMaxWait;
    if (stop_.load()) return 0;
    result = handle_events(&wait);
  }
  plain_line("Reactor is Stopped.....");
  return impl_->deactivated() ? 0 : -1;
}

int SocketReactor::register_handler(Socket_Event_Handler* handler) {
  if (handler == nullptr) return -1;
  ReactorGuard guard(lock_);
  SocketReactor* previous = handler->get_reactor();
  handler->set_reactor(this);
  int result = impl_->register_handler(handler, MASK_READ | MASK_WRITE | MASK_EXCEPT | MASK_CONNECT);
  if (result == -1) handler->set_reactor(previous);
  return result;
}

int SocketReactor::remove_handler(socket_t socket) {
  ReactorGuard guard(lock_);
  return impl_->remove_handler(socket, MASK_ALL);
}

int SocketReactor::remove_handler_of(Socket_Event_Handler* handler) {
  if (handler == nullptr) return 0;
  ReactorGuard guard(lock_);
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
  ReactorGuard guard(lock_);
  SocketReactor* previous = handler != nullptr ? handler->get_reactor() : nullptr;
  if (handler != nullptr) handler->set_reactor(this);
  int id = impl_->schedule_timer(handler, arg, delay, interval);
  if (id == -1 && handler != nullptr) handler->set_reactor(previous);
  return id;
}

int SocketReactor::reset_timer_interval(int timer_id, const TimeValue& interval) {
  ReactorGuard guard(lock_);
  return impl_->reset_timer_interval(timer_id, interval);
}

int SocketReactor::cancel_timer(Socket_Event_Handler* handler, int dont_call) {
  ReactorGuard guard(lock_);
  return impl_->cancel_timer(handler, dont_call);
}

int SocketReactor::cancel_timer(int timer_id, void** arg_out, int dont_call) {
  ReactorGuard guard(lock_);
  return impl_->cancel_timer(timer_id, arg_out, dont_call);
}

}  // namespace kestrune
