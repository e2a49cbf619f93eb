#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "net/reactor.h"
#include "net/reactor_thread_check.h"
#include "net/tcp_connection.h"
#include "test_support.h"

using namespace kestrune;
using test::LogCapture;

namespace {

// A connected pair of loopback TCP sockets.
struct TcpPair {
  int local = -1;
  int peer = -1;
  TcpPair() {
    test::Listener l;
    local = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = test::loopback();
    a.sin_port = htons(l.port);
    ::connect(local, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    peer = l.accept_one();
  }
  ~TcpPair() {
    if (local >= 0) ::close(local);
    if (peer >= 0) ::close(peer);
  }
  // Makes `local` readable and waits until it is.
  void make_readable() {
    ::send(peer, "x", 1, MSG_NOSIGNAL);
    pollfd p{local, POLLIN, 0};
    ::poll(&p, 1, 5000);
  }
};

using Journal = std::vector<std::string>;

class Probe : public Socket_Event_Handler {
public:
  Probe(Journal& journal, std::string name, int fd) : journal_(journal), name_(std::move(name)), fd_(fd) {}

  int handle_input() override { return hook("in", in_result, on_input); }
  int handle_output() override { return hook("out", out_result, on_output); }
  int handle_exception() override { return hook("exc", exc_result, nullptr); }
  int handle_close(socket_t s, int mask) override {
    journal_.push_back(name_ + ":close:" + std::to_string(s == fd_ ? 0 : s) + ":" + std::to_string(mask));
    return 0;
  }
  int handle_timeout(const TimeValue&, void* arg) override {
    journal_.push_back(name_ + ":timeout:" + std::to_string(reinterpret_cast<intptr_t>(arg)));
    return 0;
  }
  socket_t get_handle() const override { return fd_; }

  int in_result = 0, out_result = 0, exc_result = 0;
  std::function<void()> on_input, on_output;

private:
  int hook(const char* what, int& result, const std::function<void()>& extra) {
    journal_.push_back(name_ + ":" + what);
    if (extra) extra();
    return result;
  }
  Journal& journal_;
  std::string name_;
  int fd_;
};

int pass(SocketReactor& r, int wait_ms = 50) {
  TimeValue wait = TimeValue::from_msec(wait_ms);
  return r.handle_events(&wait);
}

bool has(const Journal& j, const std::string& e) {
  return std::find(j.begin(), j.end(), e) != j.end();
}

}  // namespace

TEST(Reactor, DispatchOrderWriteExceptionReadInRegistrationOrder) {
  SocketReactor r;
  TcpPair p1, p2;
  Journal j;
  Probe a(j, "a", p1.local), b(j, "b", p2.local);
  ASSERT_EQ(0, r.register_handler(&a));
  ASSERT_EQ(0, r.register_handler(&b));
  ::send(p2.peer, "!", 1, MSG_OOB | MSG_NOSIGNAL);
  p1.make_readable();
  p2.make_readable();
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ((Journal{"a:out", "b:out", "b:exc", "a:in", "b:in"}), j);
}

TEST(Reactor, PositiveResultCallsAgainOnlyInIdlePass) {
  SocketReactor r;
  TcpPair p;
  Journal j;
  Probe a(j, "a", p.local);
  ASSERT_EQ(0, r.impl()->register_handler(p.local, &a, MASK_READ));
  p.make_readable();
  a.in_result = 1;
  a.on_input = [&] {
    char c;
    ::recv(p.local, &c, 1, MSG_DONTWAIT);
  };
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ((Journal{"a:in"}), j);

  // Nothing readable now: the idle pass serves the deferred socket, once.
  a.in_result = 0;
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ((Journal{"a:in", "a:in"}), j);
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ(2u, j.size());
}

TEST(Reactor, NegativeResultRemovesWithinThePassAndNothingStaleIsDispatched) {
  LogCapture log;
  SocketReactor r;
  TcpPair p1, p2;
  Journal j;
  Probe a(j, "a", p1.local), b(j, "b", p2.local);
  ASSERT_EQ(0, r.register_handler(&a));
  ASSERT_EQ(0, r.register_handler(&b));
  p1.make_readable();
  p2.make_readable();
  a.out_result = -1;
  // a's output hook also removes b, whose write and read entries are ready.
  a.on_output = [&] { r.remove_handler(p2.local); };
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ((Journal{"a:out", "b:close:0:511", "a:close:0:511"}), j);
  EXPECT_FALSE(r.impl()->is_registered(p1.local));
  EXPECT_FALSE(r.impl()->is_registered(p2.local));
  EXPECT_EQ(0, LogCapture::count_containing("Can't be dispatch"));

  j.clear();
  ASSERT_EQ(0, pass(r));
  EXPECT_TRUE(j.empty());
}

TEST(Reactor, RegistrationAndRemovalEdges) {
  LogCapture log;
  SocketReactor r;
  TcpPair p;
  Journal j;
  Probe first(j, "first", p.local), second(j, "second", p.local), none(j, "none", -1);
  EXPECT_EQ(-1, r.impl()->register_handler(0, &first, MASK_READ));
  EXPECT_EQ(-1, r.register_handler(&none));
  EXPECT_EQ(nullptr, none.get_reactor());

  ASSERT_EQ(0, r.register_handler(&first));
  ASSERT_EQ(0, r.register_handler(&second));
  EXPECT_EQ(&r, second.get_reactor());
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ((Journal{"second:out"}), j);

  j.clear();
  EXPECT_EQ(0, r.impl()->remove_handler(p.local, MASK_ALL | MASK_DONT_CALL));
  EXPECT_TRUE(j.empty());
  EXPECT_EQ(0, r.remove_handler(p.local));
  EXPECT_TRUE(j.empty());
  EXPECT_EQ(1, LogCapture::count_containing(
                   "[Socket_Select_Reactor_Win32][ERROR]Can't find Socket " +
                   std::to_string(p.local) + ", When Remove."));
}

TEST(Reactor, TimersRunWithoutSockets) {
  SocketReactor r;
  Journal j;
  Probe h(j, "h", -1);
  EXPECT_EQ(1, r.schedule_timer(&h, reinterpret_cast<void*>(1), TimeValue(), TimeValue()));
  EXPECT_EQ(2, r.schedule_timer(&h, reinterpret_cast<void*>(2), TimeValue(), TimeValue()));
  EXPECT_EQ(&r, h.get_reactor());
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ(2u, j.size());
  EXPECT_EQ(1, h.reference_count());
}

TEST(Reactor, ShortTimerDoesNotWaitForTheMaximumWait) {
  SocketReactor r;
  TcpPair p;
  Journal j;
  Probe idle(j, "idle", p.local), t(j, "t", -1);
  ASSERT_EQ(0, r.impl()->register_handler(p.local, &idle, MASK_READ));
  r.schedule_timer(&t, nullptr, TimeValue::from_msec(200), TimeValue());
  // Passes that may wait an hour: only a wait cut short by the timer ends
  // them within the minute this test gives them.
  const auto start = std::chrono::steady_clock::now();
  auto passes = std::async(std::launch::async, [&] {
    const TimeValue hour(3600, 0);
    for (int i = 0; i < 20 && j.empty(); ++i) r.handle_events(&hour);
  });
  const bool ended = passes.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start).count();
  if (!ended) r.impl()->wake();  // the timer is due by now: the woken pass runs it
  passes.get();
  EXPECT_TRUE(ended) << "the wait ignored the timer";
  EXPECT_EQ((Journal{"t:timeout:0"}), j);
  EXPECT_GE(ms, 150) << "the timer fired early";
  std::printf("the 200 ms timer ended the wait after %lld ms\n", static_cast<long long>(ms));
}

TEST(Reactor, ClosedRegisteredSocketIsProbedAndRemoved) {
  LogCapture log;
  SocketReactor r;
  TcpPair p1, p2;
  Journal j;
  Probe a(j, "a", p1.local), b(j, "b", p2.local);
  ASSERT_EQ(0, r.impl()->register_handler(p1.local, &a, MASK_READ));
  ASSERT_EQ(0, r.impl()->register_handler(p2.local, &b, MASK_READ));
  const int dead = p1.local;
  ::close(p1.local);
  p1.local = -1;
  p2.make_readable();
  ASSERT_EQ(0, pass(r));
  EXPECT_EQ(1, LogCapture::count_containing("[Socket_Select_Reactor_Win32][ERROR]Select Error:"));
  EXPECT_EQ(1, LogCapture::count_containing("[Socket_Select_Reactor_Win32][ERROR]Socket " +
                                            std::to_string(dead) + " Error,Remove It."));
  EXPECT_TRUE(has(j, "a:close:0:511"));
  EXPECT_TRUE(has(j, "b:in")) << ::testing::PrintToString(j);
  EXPECT_TRUE(r.impl()->is_registered(p2.local));
}

TEST(Reactor, ThreadStopsOnFlagAndHooksMayCallBack) {
  SocketReactor r;
  Journal j;
  std::mutex m;
  std::atomic<int> fired{0};
  struct Rearm : Socket_Event_Handler {
    SocketReactor* r;
    std::atomic<int>* fired;
    int handle_timeout(const TimeValue&, void*) override {
      // Re-entering the reactor from its own thread must not deadlock.
      if (fired->fetch_add(1) < 3) r->schedule_timer(this, nullptr, TimeValue::from_msec(5), TimeValue());
      return 0;
    }
    socket_t get_handle() const override { return -1; }
  } h;
  h.r = &r;
  h.fired = &fired;
  ASSERT_EQ(0, r.start());
  EXPECT_EQ(0, r.start());  // no second thread
  r.schedule_timer(&h, nullptr, TimeValue::from_msec(5), TimeValue());
  EXPECT_TRUE(test::wait_until([&] { return fired.load() >= 4; }));
  r.stop_and_wait();
  EXPECT_FALSE(r.running());
  EXPECT_EQ(1, h.reference_count());
}

// Requests made on other threads while the reactor waits take effect without
// waiting for an unrelated event, and removal is final.

namespace {

using Clock = std::chrono::steady_clock;

// Counts input calls; never reads, so a readable socket stays ready.
class Reader : public Socket_Event_Handler {
public:
  explicit Reader(int fd) : fd_(fd) {}
  int handle_input() override {
    inputs.fetch_add(1);
    if (removed.load()) late.fetch_add(1);
    return 0;
  }
  int handle_close(socket_t, int) override {
    closes.fetch_add(1);
    return 0;
  }
  socket_t get_handle() const override { return fd_; }

  std::atomic<int> inputs{0}, closes{0}, late{0};
  std::atomic<bool> removed{false};

private:
  int fd_;
};

// One hand-driven pass with a wait far longer than any check below, on a
// thread of its own; the future says how long it took.
std::future<double> long_pass(SocketReactor& r) {
  return std::async(std::launch::async, [&r] {
    const TimeValue wait(600, 0);
    const auto start = Clock::now();
    r.handle_events(&wait);
    return std::chrono::duration<double>(Clock::now() - start).count();
  });
}

// Lets the pass reach its wait.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

class Conn : public TCPConnection {
public:
  explicit Conn(SocketReactor* r) { set_reactor(r); }
};

}  // namespace

TEST(ReactorThreads, HandlerRegisteredDuringTheWaitIsServedInThatPass) {
  SocketReactor r;
  TcpPair p;
  p.make_readable();
  Reader reader(p.local);
  auto pass = long_pass(r);
  settle();
  ASSERT_EQ(0, r.impl()->register_handler(p.local, &reader, MASK_READ));
  ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(120)));
  std::printf("the pass ended after %.3f s\n", pass.get());
  EXPECT_GE(reader.inputs.load(), 1);
  r.impl()->remove_handler(p.local, MASK_ALL | MASK_DONT_CALL);
}

TEST(ReactorThreads, TimerScheduledDuringTheWaitEndsIt) {
  SocketReactor r;
  struct Tick : Socket_Event_Handler {
    std::atomic<int> fired{0};
    int handle_timeout(const TimeValue&, void*) override { fired.fetch_add(1); return 0; }
    socket_t get_handle() const override { return -1; }
  } tick;
  auto pass = long_pass(r);
  settle();
  r.schedule_timer(&tick, nullptr, TimeValue::from_msec(20), TimeValue());
  // The first pass ends on the wake; the timer is due in the next.
  ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(120)));
  std::printf("the pass ended after %.3f s\n", pass.get());
  auto second = long_pass(r);
  ASSERT_EQ(std::future_status::ready, second.wait_for(std::chrono::seconds(120)));
  EXPECT_EQ(1, tick.fired.load());
}

TEST(ReactorThreads, BytesQueuedDuringTheWaitLeaveWithoutOtherTraffic) {
  SocketReactor r;
  TcpPair p;
  auto* c = new Conn(&r);
  const int fd = p.local;
  p.local = -1;  // the connection owns it now
  ASSERT_EQ(0, c->attach(fd, nullptr));
  // Nothing queued: the first pass must not be ended by the idle socket.
  auto idle = long_pass(r);
  EXPECT_EQ(std::future_status::timeout, idle.wait_for(std::chrono::milliseconds(300)));

  const char text[] = "queued elsewhere";
  ASSERT_EQ(static_cast<int>(sizeof text), c->send(text, sizeof text));
  ASSERT_EQ(std::future_status::ready, idle.wait_for(std::chrono::seconds(10)));
  // The woken pass or the next one sends it.
  char got[sizeof text] = {};
  std::size_t have = 0;
  for (int i = 0; i < 5 && have < sizeof text; ++i) {
    auto pass = long_pass(r);
    pollfd pf{p.peer, POLLIN, 0};
    if (::poll(&pf, 1, 2000) == 1) {
      ssize_t n = ::recv(p.peer, got + have, sizeof text - have, MSG_DONTWAIT);
      if (n > 0) have += static_cast<std::size_t>(n);
    }
    ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(120)));
  }
  ASSERT_EQ(sizeof text, have);
  EXPECT_EQ(0, std::memcmp(text, got, sizeof text));
  EXPECT_EQ(0, c->queued_bytes());
  c->disconnect();  // the close drops the last reference
}

// The reactor thread keeps dispatching a socket that stays readable; another
// thread removes its handler over and over. Removal must get through, and no
// hook may run after it returned (readiness reported just before a removal
// must not reach the handler).
TEST(ReactorThreads, RemovedReadyHandlerIsNeverDispatchedAfterwards) {
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  TcpPair p;
  p.make_readable();
  for (int round = 0; round < 200; ++round) {
    Reader reader(p.local);
    ASSERT_EQ(0, r.impl()->register_handler(p.local, &reader, MASK_READ));
    if (round % 20 == 0) {
      ASSERT_TRUE(test::wait_until([&] { return reader.inputs.load() > 0; }));
    }
    ASSERT_EQ(0, r.remove_handler(p.local));
    reader.removed.store(true);
    EXPECT_EQ(1, reader.closes.load());
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    ASSERT_EQ(0, reader.late.load()) << "round " << round;
  }
  r.stop_and_wait();
}

// The reactor's thread rules are checked in every build: a lock rule broken
// is logged and stops the process.
TEST(ReactorLock, ARuleBrokenStopsTheProcessInEveryBuild) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ReactorLock lock;
  EXPECT_DEATH(lock.assert_held(), "rule broken: held_by_this_thread\\(\\)");
  lock.lock();
  lock.assert_held();
  EXPECT_DEATH(std::thread([&] { lock.assert_held(); }).join(), "rule broken");
  lock.unlock();
}

// A handler's hooks may be driven by hand while its reactor has no thread
// (tests, fuzzing); once the thread runs, only that thread may run them.
TEST(ReactorThreadCheck, HooksBelongToTheRunningReactorThreadOnly) {
  struct Handler : Socket_Event_Handler {
    socket_t get_handle() const override { return kInvalidSocket; }
  } handler;
  EXPECT_TRUE(on_handler_reactor_thread(handler));
  SocketReactor r;
  handler.set_reactor(&r);
  EXPECT_TRUE(on_handler_reactor_thread(handler));
  ASSERT_EQ(0, r.start());
  EXPECT_FALSE(on_handler_reactor_thread(handler));
  std::promise<bool> on_reactor;
  struct Probe : Socket_Event_Handler {
    const Socket_Event_Handler* watched = nullptr;
    std::promise<bool>* result = nullptr;
    int handle_timeout(const TimeValue&, void*) override {
      result->set_value(on_handler_reactor_thread(*watched));
      return 0;
    }
    socket_t get_handle() const override { return kInvalidSocket; }
  } probe;
  probe.watched = &handler;
  probe.result = &on_reactor;
  r.schedule_timer(&probe, nullptr, TimeValue(), TimeValue());
  EXPECT_TRUE(on_reactor.get_future().get());
  r.stop_and_wait();
  EXPECT_TRUE(on_handler_reactor_thread(handler));
}
