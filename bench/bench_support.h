// What the benchmarks share: waiting for a condition and the reference every
// throughput figure is set against, a plain blocking loopback socket pair.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline bool wait_for(const std::function<bool()>& done, int seconds) {
  auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Seconds to move `total` bytes through a blocking loopback pair, one
// thread writing 64 KiB at a time and one reading.
inline double plain_pair_seconds(std::size_t total) {
  int l = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(l, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  ::listen(l, 1);
  socklen_t len = sizeof(a);
  ::getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
  int c = ::socket(AF_INET, SOCK_STREAM, 0);
  ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  int s = ::accept(l, nullptr, nullptr);
  auto start = Clock::now();
  std::thread reader([s, total] {
    std::vector<char> buf(256 * 1024);
    std::size_t got = 0;
    while (got < total) {
      ssize_t n = ::recv(s, buf.data(), buf.size(), 0);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  });
  std::vector<char> chunk(64 * 1024, 0x5A);
  std::size_t sent = 0;
  while (sent < total) {
    ssize_t n = ::send(c, chunk.data(), std::min(chunk.size(), total - sent), MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  reader.join();
  const double secs = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(c);
  ::close(s);
  ::close(l);
  return secs;
}

}  // namespace bench
