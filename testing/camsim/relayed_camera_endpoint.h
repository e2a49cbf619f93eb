// The camera end of a simulated relay: a loopback listener whose accepted
// connections are handed to a camera simulator as already logged in, as a
// camera behind the video server sees them (the server admitted the client,
// so no device login follows). Used by the demo and the app tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "camsim.h"

namespace camsim {

class RelayedCameraEndpoint {
public:
  explicit RelayedCameraEndpoint(CameraSimulator& camera) : camera_(camera) {}
  ~RelayedCameraEndpoint() { stop(); }
  RelayedCameraEndpoint(const RelayedCameraEndpoint&) = delete;
  RelayedCameraEndpoint& operator=(const RelayedCameraEndpoint&) = delete;

  // Listens on an ephemeral port of `address`; false on failure.
  bool start(const std::string& address) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = 0;
    if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0) {
      ::close(fd_);
      fd_ = -1;
      return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
    return true;
  }

  void stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  std::uint16_t port() const { return port_; }

private:
  void run() {
    while (!stop_.load()) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      camera_.adopt_connection(c, true);  // owns c from here, even when it fails
    }
  }

  CameraSimulator& camera_;
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace camsim
