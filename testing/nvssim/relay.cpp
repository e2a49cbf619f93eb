// The relay endpoint: admits a connection that presents a valid stamp
// request, then forwards bytes both ways to the camera's endpoint.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "server_impl.h"

namespace nvssim {

namespace {

constexpr size_t kStampSize = wire::kHeader + 76;

int connect_to(const std::string& address, uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
  return fd;
}

}  // namespace

void Server::Impl::handle_relay_client(Connection& c) {
  if (c.in.size() < static_cast<size_t>(wire::kHeader)) return;
  wire::Header h = wire::parse_header(c.in.data());
  auto answer = [&](int32_t result, int32_t value) {
    std::vector<uint8_t> body;
    wire::put32(body, static_cast<uint32_t>(result));
    wire::put32(body, static_cast<uint32_t>(value));
    auto m = wire::message(wire::kPairRequest, wire::STAMP_RESP, h.txn, wire::kNoSession, body);
    c.out.insert(c.out.end(), m.begin(), m.end());
  };
  auto refuse = [&](const char* why, long long value, int32_t result) {
    error(why, value);
    ++counters.relay_refusals;
    answer(result, 0);
    c.close_after_flush = true;
    c.in.clear();
  };
  if (h.format != wire::kFormat || h.pairing != wire::kPairRequest || h.id != wire::STAMP_REQ ||
      h.body_length != 76 || h.session != wire::kNoSession)
    return refuse("relay connection did not start with a stamp request", h.id, -1);
  if (c.in.size() < kStampSize) return;

  const uint8_t* body = c.in.data() + wire::kHeader;
  uint32_t user_id = wire::get32(body);
  if (body[27] != 0) error("stamp user name without terminator", 0);
  std::string user = wire::get_text(body + 4, 24);
  std::array<uint8_t, 48> key;
  std::memcpy(key.data(), body + 28, 48);
  auto t = tickets.find(key);
  if (t == tickets.end()) return refuse("stamp request with an unknown relay key", 0, -1);
  const Account& account = *t->second.account;
  if (account.user_id != user_id || account.user.substr(0, 23) != user)
    return refuse("stamp request from another user", user_id, -1);
  const Camera& camera = *t->second.camera;
  int fd = connect_to(camera.endpoint_address, camera.endpoint_port);
  if (fd < 0) {
    ++counters.relay_refusals;
    std::fprintf(stderr, "[nvssim] camera endpoint %s:%u unreachable\n",
                 camera.endpoint_address.c_str(), camera.endpoint_port);
    answer(-2, 0);
    c.close_after_flush = true;
    c.in.clear();
    return;
  }
  tickets.erase(t);  // a ticket admits one connection
  ++counters.relay_admissions;
  log("relay admitted for camera " + std::to_string(camera.nvt_id));
  auto cam = std::make_unique<Connection>();
  cam->fd = fd;
  cam->kind = Kind::RelayCamera;
  cam->peer = c.fd;
  cam->admitted = true;
  connections[fd] = std::move(cam);
  c.peer = fd;
  c.admitted = true;
  answer(0, static_cast<int32_t>(next_session++));
  c.in.erase(c.in.begin(), c.in.begin() + kStampSize);
  if (!c.in.empty()) forward(c);
}

void Server::Impl::forward(Connection& from) {
  if (from.in.empty()) return;
  auto p = connections.find(from.peer);
  if (p == connections.end()) {
    from.in.clear();
    return;
  }
  Connection& to = *p->second;
  if (from.kind == Kind::RelayCamera)
    counters.relay_bytes_from_camera += from.in.size();
  else
    counters.relay_bytes_to_camera += from.in.size();
  to.out.insert(to.out.end(), from.in.begin(), from.in.end());
  from.in.clear();
}

}  // namespace nvssim
