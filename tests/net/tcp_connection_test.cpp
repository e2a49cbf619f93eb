#include <gtest/gtest.h>

#include <netinet/tcp.h>
#include <poll.h>

#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "net/reactor.h"
#include "net/tcp_connection.h"
#include "test_support.h"

using namespace kestrune;
using test::LogCapture;

namespace {

// Records hook calls (on whichever thread) and reads what arrives.
class Conn : public TCPConnection {
public:
  explicit Conn(SocketReactor* reactor) { set_reactor(reactor); }
  ~Conn() override { if (deleted) deleted->store(true); }

  int on_connect_result(int error) override {
    connect_results.push_back(error);
    connect_calls.fetch_add(1);
    return 0;
  }
  int on_connection_closed(int) override {
    closed_calls.fetch_add(1);
    return 0;
  }
  int handle_input() override {
    unsigned char buf[65536];
    int n = receive(buf, sizeof(buf));
    if (n > 0) {
      std::lock_guard<std::mutex> g(m);
      received.insert(received.end(), buf, buf + n);
      received_count.store(received.size());
      return 0;
    }
    if (n < 0 && errno == EAGAIN) return 0;
    return -1;  // peer closed or error
  }

  std::vector<int> connect_results;  // reactor thread only
  std::atomic<int> connect_calls{0};
  std::atomic<int> closed_calls{0};
  std::mutex m;
  std::vector<unsigned char> received;
  std::atomic<std::size_t> received_count{0};
  std::atomic<bool>* deleted = nullptr;
};

std::vector<unsigned char> pattern(int n, int seed) {
  std::vector<unsigned char> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 31 + seed + i / 251);
  return v;
}

}  // namespace

TEST(SendBuffer, LimitsAndWrapAround) {
  LogCapture log;
  CSendBuffer buf;
  std::vector<unsigned char> big = pattern(128001, 1);
  EXPECT_EQ(-2, buf.write_block(128001, big.data()));
  EXPECT_EQ(1, LogCapture::count("[Send Buffer]: Too Larger Data Block:128001"));
  EXPECT_EQ(0, buf.count());

  EXPECT_EQ(0, buf.write_block(127999, big.data()));
  EXPECT_EQ(-1, buf.write_block(1, big.data()));
  unsigned char out[CSendBuffer::kBlock];
  std::vector<unsigned char> drained;
  int n;
  while ((n = buf.read_block(out)) > 0) {
    EXPECT_LE(n, 1200);
    drained.insert(drained.end(), out, out + n);
  }
  EXPECT_EQ(0, std::memcmp(big.data(), drained.data(), 127999));

  // The ring now starts near its end: a block must come out whole, in order.
  std::vector<unsigned char> wrap = pattern(5000, 7);
  ASSERT_EQ(0, buf.write_block(5000, wrap.data()));
  drained.clear();
  while ((n = buf.read_block(out)) > 0) drained.insert(drained.end(), out, out + n);
  EXPECT_EQ(wrap, drained);
  buf.reset();
  EXPECT_EQ(0, buf.count());
}

TEST(TCPConnection, NotConnectedAndStateRules) {
  LogCapture log;
  SocketReactor r;  // not running: the connect stays pending
  test::Listener l;
  auto* c = new Conn(&r);
  char b[4] = {};
  EXPECT_EQ(-100, c->send(b, 4));
  EXPECT_EQ(-100, c->receive(b, 4));
  EXPECT_EQ(0, c->disconnect());
  EXPECT_EQ(TCPConnection::STATE_IDLE, c->state());

  ASSERT_EQ(0, c->connect(test::loopback(), l.port));
  EXPECT_EQ(TCPConnection::STATE_CONNECTING, c->state());
  EXPECT_EQ(-100, c->send(b, 4));
  EXPECT_EQ(-100, c->receive(b, 4));
  EXPECT_EQ(-1, c->connect(test::loopback(), l.port));
  EXPECT_EQ(1, LogCapture::count_containing("[TCPConnection][ERROR]Error Object Status. 1."));
  EXPECT_EQ(-1, c->attach(c->get_handle(), nullptr));

  std::atomic<bool> deleted{false};
  c->deleted = &deleted;
  c->disconnect();  // the close drops the last reference
  EXPECT_TRUE(deleted.load());
  EXPECT_EQ(1, LogCapture::count_containing("[TCPConnection][DEBUG]TCP Disconnect."));
}

TEST(TCPConnection, RefusedConnectReportsErrorThenClosesOnce) {
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  std::atomic<bool> deleted{false};
  auto* c = new Conn(&r);
  c->deleted = &deleted;
  // The owner's reference, released by the close. Taken before the connect:
  // the refusal may be handled before connect() has returned.
  c->add_reference();
  ASSERT_EQ(0, c->connect(test::loopback(), test::closed_port()));
  ASSERT_TRUE(test::wait_until([&] { return c->closed_calls.load() == 1; }));
  r.stop_and_wait();
  ASSERT_EQ(1, c->connect_calls.load());
  EXPECT_EQ(ECONNREFUSED, c->connect_results[0]);
  EXPECT_EQ(1, c->closed_calls.load());
  EXPECT_EQ(TCPConnection::STATE_IDLE, c->state());
  EXPECT_EQ(kInvalidSocket, c->get_handle());
  EXPECT_FALSE(deleted.load());
  c->remove_reference();
  EXPECT_TRUE(deleted.load());
}

TEST(TCPConnection, SendQueueLimitsWhileNotDrained) {
  LogCapture log;
  SocketReactor r;  // not running: nothing leaves the queue
  test::Listener l;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = test::loopback();
  a.sin_port = htons(l.port);
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)));
  int server = l.accept_one();
  auto* c = new Conn(&r);
  ASSERT_EQ(0, c->attach(fd, &a));
  EXPECT_EQ(TCPConnection::STATE_CONNECTED, c->state());
  EXPECT_EQ(1, c->connect_calls.load());

  std::vector<unsigned char> data = pattern(128001, 3);
  EXPECT_EQ(128001, c->send(data.data(), 128001));  // dropped, but reported as taken
  EXPECT_EQ(1, LogCapture::count("[Send Buffer]: Too Larger Data Block:128001"));
  EXPECT_EQ(0, c->queued_bytes());
  EXPECT_EQ(127999, c->send(data.data(), 127999));
  EXPECT_EQ(0, c->send(data.data(), 1));
  EXPECT_EQ(-1, c->attach(fd, &a));

  // One pass drains what the socket accepts, in order.
  TimeValue wait = TimeValue::from_msec(50);
  r.handle_events(&wait);
  EXPECT_LT(c->queued_bytes(), 127999);
  std::vector<unsigned char> got;
  unsigned char buf[65536];
  while (got.size() < 127999) {
    for (int i = 0; i < 50 && c->queued_bytes() > 0; ++i) r.handle_events(&wait);
    ssize_t n = ::recv(server, buf, sizeof(buf), MSG_DONTWAIT);
    if (n > 0) got.insert(got.end(), buf, buf + n);
    else if (c->queued_bytes() == 0 && n < 0) {
      pollfd p{server, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) break;
    }
  }
  ASSERT_EQ(127999u, got.size());
  EXPECT_EQ(0, std::memcmp(data.data(), got.data(), got.size()));
  c->disconnect();
  ::close(server);
}

TEST(TCPConnection, TransferBothWaysAndCloseFromEitherSide) {
  LogCapture log;
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  test::Listener l;
  auto* client = new Conn(&r);
  ASSERT_EQ(0, client->connect(test::loopback(), l.port));
  client->add_reference();
  int fd = l.accept_one();
  auto* server = new Conn(&r);
  ASSERT_EQ(0, server->attach(fd, nullptr));
  server->add_reference();
  ASSERT_TRUE(test::wait_until([&] { return client->state() == TCPConnection::STATE_CONNECTED; }));
  EXPECT_EQ(0, client->enable_keepalive());
  int idle = 0, intvl = 0;
  socklen_t len = sizeof(int);
  ::getsockopt(client->get_handle(), IPPROTO_TCP, TCP_KEEPIDLE, &idle, &len);
  ::getsockopt(client->get_handle(), IPPROTO_TCP, TCP_KEEPINTVL, &intvl, &len);
  EXPECT_EQ(20, idle);
  EXPECT_EQ(40, intvl);

  // More than the ring holds, queued from this thread while the reactor sends.
  std::vector<unsigned char> data = pattern(700000, 5);
  std::size_t off = 0;
  while (off < data.size()) {
    int chunk = static_cast<int>(std::min<std::size_t>(50000, data.size() - off));
    int rc = client->send(data.data() + off, chunk);
    ASSERT_GE(rc, 0);
    if (rc == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    else off += rc;
  }
  std::vector<unsigned char> reply = pattern(3000, 9);
  ASSERT_EQ(3000, server->send(reply.data(), 3000));
  ASSERT_TRUE(test::wait_until([&] { return server->received_count.load() == data.size(); }));
  ASSERT_TRUE(test::wait_until([&] { return client->received_count.load() == reply.size(); }));
  {
    std::lock_guard<std::mutex> g(server->m);
    EXPECT_EQ(data, server->received);
  }
  EXPECT_EQ(1, LogCapture::count_containing("TCPConnection Connect Finish ."));

  // The client closes: its hook runs here, the server notices end of stream.
  EXPECT_EQ(0, client->disconnect());
  EXPECT_EQ(1, client->closed_calls.load());
  ASSERT_TRUE(test::wait_until([&] { return server->closed_calls.load() == 1; }));
  EXPECT_EQ(TCPConnection::STATE_IDLE, server->state());
  r.stop_and_wait();
  EXPECT_EQ(1, client->reference_count());
  EXPECT_EQ(1, server->reference_count());
  client->remove_reference();
  server->remove_reference();
}

// A producer on another thread waits for room instead of polling: it is woken
// as the reactor drains the ring, and the bytes arrive whole and in order.
TEST(TCPConnection, ProducerWaitsForRoomWhileTheReactorDrains) {
  LogCapture log;
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  test::Listener l;
  auto* client = new Conn(&r);
  ASSERT_EQ(0, client->connect(test::loopback(), l.port));
  client->add_reference();
  auto* server = new Conn(&r);
  ASSERT_EQ(0, server->attach(l.accept_one(), nullptr));
  server->add_reference();
  ASSERT_TRUE(test::wait_until([&] { return client->state() == TCPConnection::STATE_CONNECTED; }));

  const std::vector<unsigned char> data = pattern(3000000, 11);
  std::atomic<int> timeouts{0};
  std::thread producer([&] {
    std::size_t off = 0;
    while (off < data.size()) {
      const int chunk = static_cast<int>(std::min<std::size_t>(65536, data.size() - off));
      const int rc = client->send(data.data() + off, chunk);
      if (rc > 0) {
        off += static_cast<std::size_t>(rc);
      } else if (client->wait_for_room(chunk, 10000) != 1) {
        timeouts.fetch_add(1);
        return;
      }
    }
  });
  producer.join();
  EXPECT_EQ(0, timeouts.load());
  ASSERT_TRUE(test::wait_until([&] { return server->received_count.load() == data.size(); }));
  {
    std::lock_guard<std::mutex> g(server->m);
    EXPECT_TRUE(data == server->received);
  }
  client->disconnect();
  server->disconnect();
  r.stop_and_wait();
  client->remove_reference();
  server->remove_reference();
}

// Producers on several threads at once, with records of many sizes so that
// some go straight to the socket and some through the ring: each send
// arrives whole, and each thread's records in the order it sent them.
TEST(TCPConnection, ProducersOnManyThreadsKeepTheirOwnOrder) {
  LogCapture log;
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  test::Listener l;
  auto* client = new Conn(&r);
  ASSERT_EQ(0, client->connect(test::loopback(), l.port));
  client->add_reference();
  auto* server = new Conn(&r);
  ASSERT_EQ(0, server->attach(l.accept_one(), nullptr));
  server->add_reference();
  ASSERT_TRUE(test::wait_until([&] { return client->state() == TCPConnection::STATE_CONNECTED; }));

  // A record: thread, number, size (3 x 4 bytes), then a pattern of its own.
  constexpr int kThreads = 4, kRecords = 120, kHeader = 12;
  auto record_size = [](int t, int i) { return kHeader + (i * 7919 + t * 104729) % 50000; };
  std::atomic<int> failures{0};
  std::atomic<std::size_t> total{0};
  std::vector<std::thread> producers;
  for (int t = 0; t < kThreads; ++t) {
    producers.emplace_back([&, t] {
      for (int i = 0; i < kRecords; ++i) {
        const int size = record_size(t, i);
        std::vector<unsigned char> rec = pattern(size, t * kRecords + i);
        const int head[3] = {t, i, size};
        std::memcpy(rec.data(), head, kHeader);
        int rc;
        while ((rc = client->send(rec.data(), size)) == 0) {
          if (client->wait_for_room(size, 60000) != 1) break;
        }
        if (rc != size) {
          failures.fetch_add(1);
          return;
        }
        total.fetch_add(static_cast<std::size_t>(size));
      }
    });
  }
  for (auto& p : producers) p.join();
  ASSERT_EQ(0, failures.load());
  ASSERT_TRUE(test::wait_until([&] { return server->received_count.load() == total.load(); }, 60000));

  std::vector<unsigned char> got;
  {
    std::lock_guard<std::mutex> g(server->m);
    got = server->received;
  }
  int next[kThreads] = {};
  std::size_t off = 0;
  while (off + kHeader <= got.size()) {
    int head[3];
    std::memcpy(head, got.data() + off, kHeader);
    const int t = head[0], i = head[1], size = head[2];
    ASSERT_TRUE(t >= 0 && t < kThreads) << "at byte " << off;
    ASSERT_EQ(next[t], i) << "thread " << t << " out of order at byte " << off;
    ASSERT_EQ(record_size(t, i), size);
    ASSERT_LE(off + static_cast<std::size_t>(size), got.size());
    const std::vector<unsigned char> want = pattern(size, t * kRecords + i);
    ASSERT_EQ(0, std::memcmp(want.data() + kHeader, got.data() + off + kHeader, size - kHeader))
        << "record " << i << " of thread " << t << " is not whole";
    ++next[t];
    off += static_cast<std::size_t>(size);
  }
  EXPECT_EQ(got.size(), off);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(kRecords, next[t]);
  client->disconnect();
  server->disconnect();
  r.stop_and_wait();
  client->remove_reference();
  server->remove_reference();
}

// A peer that stops reading: the producers end up waiting for room, and
// nothing beyond the ring is kept for them. Closing the connection from
// another thread releases every one of them.
TEST(TCPConnection, CloseReleasesEveryWaitingProducer) {
  LogCapture log;
  SocketReactor r;
  ASSERT_EQ(0, r.start());
  test::Listener l;
  auto* client = new Conn(&r);
  ASSERT_EQ(0, client->connect(test::loopback(), l.port));
  client->add_reference();
  const int peer = l.accept_one();  // never read
  ASSERT_TRUE(test::wait_until([&] { return client->state() == TCPConnection::STATE_CONNECTED; }));

  constexpr int kChunk = 40000;
  std::vector<std::future<int>> producers;
  for (int t = 0; t < 3; ++t) {
    producers.push_back(std::async(std::launch::async, [client] {
      const std::vector<unsigned char> chunk(kChunk, 0x33);
      for (;;) {
        int rc = client->send(chunk.data(), kChunk);
        if (rc == kChunk) continue;
        if (rc != 0) return rc;
        rc = client->wait_for_room(kChunk, 3600 * 1000);  // only the close ends this
        if (rc != 1) return rc;
      }
    }));
  }
  // Once no chunk fits any more the socket takes nothing either.
  ASSERT_TRUE(test::wait_until(
      [&] { return client->queued_bytes() >= CSendBuffer::kCapacity - kChunk; }, 60000));
  EXPECT_LT(client->queued_bytes(), CSendBuffer::kCapacity);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let them reach the wait
  client->disconnect();
  for (auto& f : producers) {
    ASSERT_EQ(std::future_status::ready, f.wait_for(std::chrono::seconds(60)));
    EXPECT_EQ(TCPConnection::kNotConnected, f.get());
  }
  EXPECT_EQ(0, client->queued_bytes());
  r.stop_and_wait();
  client->remove_reference();
  ::close(peer);
}

// The outcomes other than room: a size that can never fit, a full ring that
// nobody drains, and a close while a producer waits, which must wake it
// rather than leave it waiting out its time.
TEST(TCPConnection, WaitForRoomEndsOnTimeOutAndOnClose) {
  LogCapture log;
  SocketReactor r;  // not running: nothing leaves the ring
  test::Listener l;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = test::loopback();
  a.sin_port = htons(l.port);
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)));
  int server = l.accept_one();
  auto* c = new Conn(&r);
  c->add_reference();
  EXPECT_EQ(TCPConnection::kNotConnected, c->wait_for_room(1, 0));
  ASSERT_EQ(0, c->attach(fd, &a));

  EXPECT_EQ(-1, c->wait_for_room(128000, 0));
  EXPECT_EQ(1, c->wait_for_room(127999, 0));
  std::vector<unsigned char> data = pattern(127999, 4);
  ASSERT_EQ(127999, c->send(data.data(), 127999));
  EXPECT_EQ(0, c->wait_for_room(1, 20));

  std::atomic<int> result{2};
  // Far longer than the test may run: only the wake can end this wait.
  std::thread waiter([&] { result.store(c->wait_for_room(1, 3600 * 1000)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it start waiting
  c->disconnect();  // closes here, on this thread
  waiter.join();
  EXPECT_EQ(TCPConnection::kNotConnected, result.load());
  EXPECT_EQ(1, c->closed_calls.load());
  c->remove_reference();
  ::close(server);
}
