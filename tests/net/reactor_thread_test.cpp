// Requests made on other threads while the reactor waits: they take effect
// without waiting for an unrelated event, and removal is final.
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "net/reactor.h"
#include "net/tcp_connection.h"
#include "test_support.h"

using namespace kestrune;
using Clock = std::chrono::steady_clock;

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
  void make_readable() {
    ::send(peer, "x", 1, MSG_NOSIGNAL);
    pollfd p{local, POLLIN, 0};
    ::poll(&p, 1, 5000);
  }
};

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
    const TimeValue wait(30, 0);
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
  ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(10)));
  EXPECT_LT(pass.get(), 10.0);
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
  ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(10)));
  EXPECT_LT(pass.get(), 10.0);
  auto second = long_pass(r);
  ASSERT_EQ(std::future_status::ready, second.wait_for(std::chrono::seconds(10)));
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
    ASSERT_EQ(std::future_status::ready, pass.wait_for(std::chrono::seconds(10)));
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
