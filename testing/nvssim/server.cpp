#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "server_impl.h"

namespace nvssim {

namespace {

constexpr size_t kHoldBack = 4u << 20;  // stop reading a side whose peer lags this much

int listen_on(const std::string& address, uint16_t port, uint16_t* bound) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    return -1;
  }
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *bound = ntohs(a.sin_port);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
  return fd;
}

}  // namespace

void Server::Impl::log(const std::string& line) {
  if (config.verbose) std::printf("[nvssim] %s\n", line.c_str()), std::fflush(stdout);
}

void Server::Impl::error(const char* what, long long value) {
  ++counters.protocol_errors;
  std::fprintf(stderr, "[nvssim] PROTOCOL ERROR: %s (%lld)\n", what, value);
  std::fflush(stderr);
}

bool Server::Impl::start() {
  if (::pipe(wake_pipe) != 0) return false;
  ::fcntl(wake_pipe[0], F_SETFL, O_NONBLOCK);
  ::fcntl(wake_pipe[1], F_SETFL, O_NONBLOCK);
  control_listener = listen_on(config.address, config.port, &control_port);
  relay_listener = listen_on(config.address, config.relay_port, &relay_port_);
  if (control_listener < 0 || relay_listener < 0) {
    std::fprintf(stderr, "[nvssim] cannot listen on %s:%u / %u\n", config.address.c_str(),
                 config.port, config.relay_port);
    stop();
    return false;
  }
  log("listening on " + config.address + ":" + std::to_string(control_port) + ", relay " +
      std::to_string(relay_port_));
  thread = std::thread([this] { run(); });
  return true;
}

void Server::Impl::stop() {
  stopping.store(true);
  wake();
  if (thread.joinable()) thread.join();
  std::lock_guard<std::mutex> g(lock);
  for (auto& [fd, c] : connections) ::close(fd);
  connections.clear();
  for (int* fd : {&control_listener, &relay_listener, &wake_pipe[0], &wake_pipe[1]}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void Server::Impl::wake() {
  if (wake_pipe[1] >= 0) {
    char b = 1;
    ssize_t r = ::write(wake_pipe[1], &b, 1);
    (void)r;
  }
}

void Server::Impl::run() {
  std::vector<pollfd> fds;
  while (!stopping.load()) {
    fds.clear();
    {
      std::lock_guard<std::mutex> g(lock);
      fds.push_back({wake_pipe[0], POLLIN, 0});
      fds.push_back({control_listener, POLLIN, 0});
      fds.push_back({relay_listener, POLLIN, 0});
      for (auto& [fd, c] : connections) {
        short ev = 0;
        bool peer_lags = false;
        if (c->peer >= 0) {
          auto p = connections.find(c->peer);
          peer_lags = p != connections.end() && p->second->out.size() > kHoldBack;
        }
        if (!c->close_after_flush && !peer_lags) ev |= POLLIN;
        if (!c->out.empty()) ev |= POLLOUT;
        fds.push_back({fd, ev, 0});
      }
    }
    int n = ::poll(fds.data(), fds.size(), 50);
    if (n < 0 && errno != EINTR) break;
    std::lock_guard<std::mutex> g(lock);
    if (fds[0].revents & POLLIN) {
      char buf[64];
      while (::read(wake_pipe[0], buf, sizeof buf) > 0) {
      }
    }
    if (fds[1].revents & POLLIN) accept_on(control_listener, Kind::Control);
    if (fds[2].revents & POLLIN) accept_on(relay_listener, Kind::RelayClient);
    for (size_t i = 3; i < fds.size(); ++i) {
      auto it = connections.find(fds[i].fd);
      if (it == connections.end()) continue;
      Connection& c = *it->second;
      if (c.dead) continue;
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) read_from(c);
      if (!c.dead && (fds[i].revents & POLLOUT)) write_to(c);
    }
    // Bytes queued by this pass (answers, forwarded data) go out at once.
    for (auto& [fd, c] : connections)
      if (!c->dead && !c->out.empty()) write_to(*c);
    for (auto it = connections.begin(); it != connections.end();) {
      if (it->second->dead) {
        close_connection(*it->second);
        it = connections.erase(it);
      } else {
        ++it;
      }
    }
    changed.notify_all();
  }
}

void Server::Impl::accept_on(int listener, Kind kind) {
  for (;;) {
    int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0) return;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->kind = kind;
    if (kind == Kind::Control) ++counters.control_connections;
    log(std::string(kind == Kind::Control ? "control" : "relay") + " connection " +
        std::to_string(fd));
    connections[fd] = std::move(c);
  }
}

void Server::Impl::read_from(Connection& c) {
  uint8_t buf[65536];
  ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    c.dead = true;
    return;
  }
  if (n < 0) return;
  c.in.insert(c.in.end(), buf, buf + n);
  switch (c.kind) {
    case Kind::Control:
      handle_control(c);
      break;
    case Kind::RelayClient:
      if (c.admitted)
        forward(c);
      else
        handle_relay_client(c);
      break;
    case Kind::RelayCamera:
      forward(c);
      break;
  }
}

void Server::Impl::write_to(Connection& c) {
  while (!c.out.empty()) {
    ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      c.dead = true;
      return;
    }
    c.out.erase(c.out.begin(), c.out.begin() + n);
  }
  if (c.close_after_flush) c.dead = true;
}

void Server::Impl::close_connection(Connection& c) {
  log("closing connection " + std::to_string(c.fd));
  ::close(c.fd);
  if (c.peer >= 0) {
    auto p = connections.find(c.peer);
    if (p != connections.end()) {
      p->second->peer = -1;
      p->second->close_after_flush = true;
      if (p->second->out.empty()) p->second->dead = true;
    }
  }
}

// ---------------------------------------------------------------- Server

Server::Server(Config config) : impl_(std::make_unique<Impl>(std::move(config))) {}
Server::~Server() { stop(); }

bool Server::start() { return impl_->start(); }

void Server::stop() {
  if (impl_->thread.joinable() || impl_->control_listener >= 0) impl_->stop();
}

uint16_t Server::port() const { return impl_->control_port; }
uint16_t Server::relay_port() const { return impl_->relay_port_; }

void Server::refuse_login(int step, int32_t result) {
  std::lock_guard<std::mutex> g(impl_->lock);
  impl_->refuse_step = step;
  impl_->refuse_result = result;
}

void Server::answer_heartbeats(bool on) {
  std::lock_guard<std::mutex> g(impl_->lock);
  impl_->answer_alive = on;
}

void Server::answer_with_common_error(uint16_t request_id, int32_t code) {
  std::lock_guard<std::mutex> g(impl_->lock);
  impl_->error_for = request_id;
  impl_->error_code = code;
}

namespace {

template <class F>
void each_logged_in(Server::Impl& s, F f) {
  std::lock_guard<std::mutex> g(s.lock);
  for (auto& [fd, c] : s.connections)
    if (c->kind == Kind::Control && c->stage == 2 && !c->dead) f(*c);
  s.wake();
}

}  // namespace

void Server::send_seize_notice(bool wrong_session) {
  each_logged_in(*impl_, [&](Connection& c) {
    uint32_t session = wrong_session ? c.session + 1 : c.session;
    auto m = wire::message(0, wire::SEIZE, 0, session, {});
    c.out.insert(c.out.end(), m.begin(), m.end());
  });
}

void Server::send_flow_control(const std::vector<uint8_t>& body) {
  each_logged_in(*impl_, [&](Connection& c) {
    auto m = wire::message(0, wire::FLOW_CONTROL, 0, c.session, body);
    c.out.insert(c.out.end(), m.begin(), m.end());
  });
}

void Server::send_notice_14(const std::vector<uint8_t>& body) {
  each_logged_in(*impl_, [&](Connection& c) {
    auto m = wire::message(0, wire::NOTICE_14, 0, c.session, body);
    c.out.insert(c.out.end(), m.begin(), m.end());
  });
}

void Server::send_nvt_list_update() {
  each_logged_in(*impl_, [&](Connection& c) {
    auto m = impl_->camera_list(*c.account, wire::LIST_UPDATE, 0, c.session, 0);
    c.out.insert(c.out.end(), m.begin(), m.end());
  });
}

void Server::send_raw(const std::vector<uint8_t>& bytes) {
  std::lock_guard<std::mutex> g(impl_->lock);
  for (auto& [fd, c] : impl_->connections)
    if (c->kind == Kind::Control && !c->dead) c->out.insert(c->out.end(), bytes.begin(), bytes.end());
  impl_->wake();
}

void Server::drop_control_connections() {
  std::lock_guard<std::mutex> g(impl_->lock);
  for (auto& [fd, c] : impl_->connections)
    if (c->kind == Kind::Control) c->dead = true;
  impl_->wake();
}

Counters Server::counters() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  return impl_->counters;
}

std::vector<GroupUser> Server::group_users(const std::string& group) const {
  std::lock_guard<std::mutex> g(impl_->lock);
  std::vector<GroupUser> out;
  for (const auto& u : impl_->config.group_users)
    if (u.group_name == group) out.push_back(u);
  return out;
}

std::vector<std::vector<uint8_t>> Server::received_messages() const {
  std::lock_guard<std::mutex> g(impl_->lock);
  return impl_->received;
}

bool Server::wait_for(const std::function<bool(const Counters&)>& pred, int timeout_ms) const {
  std::unique_lock<std::mutex> g(impl_->lock);
  return impl_->changed.wait_for(g, std::chrono::milliseconds(timeout_ms),
                                 [&] { return pred(impl_->counters); });
}

}  // namespace nvssim
