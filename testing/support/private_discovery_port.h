// Engines and programs started by the tests listen for camera announcements
// on a port of their own, never on the real one, so parallel test runs (and a
// Velmora running on the same machine) do not take it from each other.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace ks_test {

// A UDP port nobody holds right now (the kernel's choice of an ephemeral one).
inline std::uint16_t free_udp_port() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// Sets KESTRUNE_DISCOVERY_PORT once per process, unless a test chose one.
inline void use_private_discovery_port() {
  static const bool chosen = [] {
    return ::setenv("KESTRUNE_DISCOVERY_PORT", std::to_string(free_udp_port()).c_str(), 0) == 0;
  }();
  (void)chosen;
}

}  // namespace ks_test
