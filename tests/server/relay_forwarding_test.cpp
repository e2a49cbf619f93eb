// The simulator's relay endpoint, driven by raw sockets on both ends: a
// stamped connection is admitted and its bytes reach the camera endpoint and
// back unchanged; bad stamps are refused.
#include "server_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "server/relay_messages.h"

using namespace server_test;
using NVS_SDK_V160::NVS_Client_Module;

namespace {

int listen_any(const char* address, uint16_t* port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  ::inet_pton(AF_INET, address, &a.sin_addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) return -1;
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

int connect_to(const char* address, uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  timeval tv{15, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  ::inet_pton(AF_INET, address, &a.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
  return fd;
}

bool read_exact(int fd, unsigned char* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::recv(fd, out + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

void write_all(int fd, const unsigned char* data, size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, data, n, MSG_NOSIGNAL);
    if (w <= 0) return;
    data += w;
    n -= static_cast<size_t>(w);
  }
}

}  // namespace

TEST_F(ServerTest, RelayAdmitsAValidStampAndForwardsBothWays) {
  const char* address = "127.0.3.30";
  uint16_t camera_port = 0;
  int camera_listener = listen_any(address, &camera_port);
  ASSERT_GE(camera_listener, 0);

  nvssim::Config c;
  c.address = address;
  c.accounts = {account()};
  c.accounts[0].cameras[0].endpoint_address = address;
  c.accounts[0].cameras[0].endpoint_port = camera_port;
  auto s = start_server(c);

  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, address, c.accounts[0]));
  NVS_SDK_V160::CAMERA_INFO cam{};
  cam.nvt_id = 1000;
  cam.relay_value = 0xC0DE0000u;
  auto ticket_for = [&](int n) {
    m.RequestRelayKey(cam);
    EXPECT_TRUE(wait_until([&] { return r.count("ticket 1000") == n; }));
    return r.locked([&] { return r.ticket; });
  };
  Bytes ticket = ticket_for(1);
  ASSERT_EQ(ticket.size(), 58u);
  const uint16_t relay_port = static_cast<uint16_t>(ticket[56] | (ticket[57] << 8));
  const NVS_SDK_V160::BaseUserInfo& user = m.GetUserInfo();

  // The stamp and the camera's first request in one write.
  unsigned char stamp[kestrune::vifs::kStampRequestSize];
  kestrune::vifs::build_stamp_request(stamp, user.user_id, user.user_name.c_str(),
                                      ticket.data() + 4, 77);
  Bytes out(stamp, stamp + sizeof stamp);
  for (int i = 0; i < 300; ++i) out.push_back(static_cast<unsigned char>(i * 7));
  int client = connect_to(address, relay_port);
  ASSERT_GE(client, 0);
  write_all(client, out.data(), out.size());

  unsigned char answer[26];
  ASSERT_TRUE(read_exact(client, answer, sizeof answer));
  std::int32_t result = -1, session = 0;
  ASSERT_EQ(kestrune::vifs::parse_stamp_response(answer, 26, &result, &session), 1);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(answer[10], 77);  // the transaction id is echoed

  int camera = ::accept(camera_listener, nullptr, nullptr);
  ASSERT_GE(camera, 0);
  timeval tv{15, 0};
  ::setsockopt(camera, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  unsigned char first[300];
  ASSERT_TRUE(read_exact(camera, first, sizeof first));
  EXPECT_EQ(Bytes(first, first + 300), Bytes(out.begin() + 94, out.end()));

  // A large stream back, byte for byte.
  Bytes stream(1 << 20);
  for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<unsigned char>((i * 31) ^ (i >> 9));
  std::thread writer([&] { write_all(camera, stream.data(), stream.size()); });
  Bytes back(stream.size());
  ASSERT_TRUE(read_exact(client, back.data(), back.size()));
  writer.join();
  EXPECT_TRUE(back == stream);

  // The camera closing ends the client's connection too.
  ::close(camera);
  unsigned char b;
  EXPECT_EQ(::recv(client, &b, 1, 0), 0);
  ::close(client);

  // A used ticket admits nobody; neither does a fresh ticket with another name.
  int again = connect_to(address, relay_port);
  write_all(again, stamp, sizeof stamp);
  ASSERT_TRUE(read_exact(again, answer, sizeof answer));
  ASSERT_EQ(kestrune::vifs::parse_stamp_response(answer, 26, &result, &session), 1);
  EXPECT_NE(result, 0);
  EXPECT_EQ(::recv(again, &b, 1, 0), 0);
  ::close(again);

  ticket = ticket_for(2);
  kestrune::vifs::build_stamp_request(stamp, user.user_id, "mallory", ticket.data() + 4, 78);
  int other = connect_to(address, relay_port);
  write_all(other, stamp, sizeof stamp);
  ASSERT_TRUE(read_exact(other, answer, sizeof answer));
  ASSERT_EQ(kestrune::vifs::parse_stamp_response(answer, 26, &result, &session), 1);
  EXPECT_NE(result, 0);
  ::close(other);

  auto k = s->counters();
  EXPECT_EQ(k.relay_admissions, 1);
  EXPECT_EQ(k.relay_refusals, 2);
  EXPECT_EQ(k.protocol_errors, 2);  // the two refused stamps, logged as such
  ::close(camera_listener);
}
