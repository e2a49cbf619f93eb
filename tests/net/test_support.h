// Helpers shared by the network core tests: captured log lines, waiting for
// a condition, loopback listeners.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "log_capture.h"
#include "net/log.h"
#include "wait_until.h"

namespace kestrune::test {

using ks_test::LogCapture;

inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 15000) {
  return ks_test::wait_until(done, timeout_ms);
}

// A listening socket on 127.0.0.1 with an ephemeral port.
struct Listener {
  int fd = -1;
  std::uint16_t port = 0;

  Listener() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    ::listen(fd, 16);
    socklen_t len = sizeof(a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~Listener() { if (fd >= 0) ::close(fd); }
  int accept_one() { return ::accept(fd, nullptr, nullptr); }
};

inline std::uint32_t loopback() { return htonl(INADDR_LOOPBACK); }

// A port on 127.0.0.1 where nothing listens (bound, then closed).
inline std::uint16_t closed_port() {
  Listener l;
  std::uint16_t p = l.port;
  return p;
}

}  // namespace kestrune::test
