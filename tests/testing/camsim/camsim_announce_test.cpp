// The simulated camera's announcements as a listener on loopback receives
// them: both forms, the period, moving, falling silent and bad lengths.
#include "camsim.h"
#include "detect/announcement.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace {

struct Datagram {
  std::vector<uint8_t> bytes;
  uint32_t source = 0;  // host order
};

// A UDP socket on 127.0.0.1 and a free port, standing in for the detector.
class Listener {
public:
  Listener() : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd_); }
  uint16_t port() const { return port_; }

  // The next datagram within timeout_ms, or false.
  bool receive(Datagram* out, int timeout_ms = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) != 1) return false;
    uint8_t buf[1024];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return false;
    out->bytes.assign(buf, buf + n);
    out->source = ntohl(from.sin_addr.s_addr);
    return true;
  }

private:
  int fd_;
  uint16_t port_ = 0;
};

camsim::Config announcing(const char* address, uint64_t id, bool long_form, uint16_t port, int period_ms) {
  camsim::Config c;
  c.address = address;
  c.port = 0;
  c.announce.camera_id = id;
  c.announce.long_form = long_form;
  c.announce.period_ms = period_ms;
  c.announce.target_port = port;
  return c;
}

NVS_SDK_V160::DetectedCamera parsed(const Datagram& d) {
  NVS_SDK_V160::DetectedCamera r{};
  EXPECT_TRUE(kestrune::make_detected_camera(d.bytes.data(), d.bytes.size(), true, &r));
  return r;
}

}  // namespace

TEST(CamsimAnnounce, ShortFormFromItsOwnAddressEveryPeriod) {
  Listener l;
  camsim::CameraSimulator sim(announcing("127.0.2.11", 4242, false, l.port(), 100));
  ASSERT_EQ(sim.start(), 0);
  Datagram d;
  ASSERT_TRUE(l.receive(&d));  // the first one goes out at once
  ASSERT_EQ(d.bytes.size(), 34u);
  EXPECT_EQ(d.source, 0x7F00020Bu);
  const auto r = parsed(d);
  EXPECT_EQ(+r.camera_id, 4242u);
  EXPECT_EQ(+r.ip_address, 0x7F00020Bu);  // matches the source, so one record per camera
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(l.receive(&d));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250));
  EXPECT_LT(took, std::chrono::milliseconds(1500));
}

TEST(CamsimAnnounce, LongFormMovingSilenceAndBadLengths) {
  Listener l;
  camsim::CameraSimulator sim(announcing("127.0.2.12", 77, true, l.port(), 60000));
  ASSERT_EQ(sim.start(), 0);
  Datagram d;
  ASSERT_TRUE(l.receive(&d));
  ASSERT_EQ(d.bytes.size(), 196u);
  EXPECT_EQ(d.bytes[2], 1);
  auto r = parsed(d);
  EXPECT_EQ(+r.camera_id, 77u);
  EXPECT_EQ(+r.ip_address, 0x7F00020Cu);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.tag)), "eth0");

  ASSERT_EQ(sim.set_announce_address("127.0.2.13"), 0);
  sim.announce_now();
  ASSERT_TRUE(l.receive(&d));
  EXPECT_EQ(d.source, 0x7F00020Du);
  EXPECT_EQ(+parsed(d).ip_address, 0x7F00020Du);
  EXPECT_EQ(sim.set_announce_address("not an address"), -1);

  for (size_t n : {33u, 35u, 195u}) {
    sim.send_malformed_announcement(n);
    ASSERT_TRUE(l.receive(&d));
    EXPECT_EQ(d.bytes.size(), n);
  }
  sim.set_announce_silent(true);
  sim.announce_now();
  EXPECT_FALSE(l.receive(&d, 200));
  sim.set_announce_silent(false);
  sim.announce_now();
  EXPECT_TRUE(l.receive(&d));
  // Counted just after the datagram left, so possibly after it arrived.
  for (int i = 0; i < 200 && sim.stats().announcements_sent < 6; ++i) ::usleep(5000);
  EXPECT_EQ(sim.stats().announcements_sent, 6);
}
