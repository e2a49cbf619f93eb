// A blocking-socket camera client for the simulator's tests: messages are
// built from hand-written byte offsets so they check the simulator's layouts
// instead of sharing them.
#pragma once

#include "net/md5.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace camsim_test {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
inline void put32(Bytes& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
inline uint16_t get16(const Bytes& b, size_t at) {
  uint16_t v;
  std::memcpy(&v, &b[at], 2);
  return v;
}
inline uint32_t get32(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, &b[at], 4);
  return v;
}
inline void put_name(Bytes& b, size_t at, const std::string& name) {
  std::memcpy(&b[at], name.data(), name.size());
}
inline std::string get_name(const Bytes& b, size_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]), strnlen(reinterpret_cast<const char*>(&b[at]), 32));
}

// A message image of `length` bytes with its header filled in.
inline Bytes message(uint8_t type, uint32_t length) {
  Bytes b(length, 0);
  put32(b, 0, length);
  b[4] = type;
  return b;
}

inline Bytes login_message(uint32_t challenge, const std::string& password) {
  uint8_t text[32] = {};
  std::snprintf(reinterpret_cast<char*>(text), 16, "%d", static_cast<int>(challenge));
  std::memcpy(text + 16, password.data(), password.size());
  Bytes b = message(10, 70);
  put32(b, 22, 12345);
  kestrune::Md5::digest(text, 32, &b[26]);
  put32(b, 42, 67890);
  put32(b, 46, challenge);
  return b;
}

inline Bytes download_request(uint32_t did, const std::string& name, uint32_t key,
                              uint32_t offset, uint32_t length) {
  Bytes b = message(86, 58);
  put32(b, 6, did);
  put_name(b, 10, name);
  put32(b, 42, key);
  put32(b, 46, offset);
  put32(b, 50, length);
  put16(b, 56, 2048);
  return b;
}

class RawClient {
public:
  explicit RawClient(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool connected() const { return fd_ >= 0; }

  bool send(const Bytes& b) {
    return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(b.size());
  }

  // Next whole message, or empty on time-out, error or end of stream
  // (closed() tells the last one apart).
  Bytes receive(std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    Bytes head(6);
    if (!read_exact(head.data(), 6, timeout)) return {};
    uint32_t len = get32(head, 0);
    if (len < 6 || len > 131072) return {};
    head.resize(len);
    if (!read_exact(head.data() + 6, len - 6, timeout)) return {};
    return head;
  }
  // Skips messages of other types (live frames, heartbeats) until `type`.
  Bytes receive_type(uint8_t type, std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    for (;;) {
      Bytes m = receive(timeout);
      if (m.empty() || m[4] == type) return m;
    }
  }
  bool closed() const { return closed_; }

  // Logs in, answering a challenge if one comes; returns the final status.
  uint32_t login(const std::string& password) {
    send(login_message(0, password));
    Bytes r = receive_type(10);
    if (r.size() != 70) return 0xFFFFFFFF;
    if (get32(r, 50) != 10100) return get32(r, 50);
    send(login_message(get32(r, 46), password));
    r = receive_type(10);
    return r.size() == 70 ? get32(r, 50) : 0xFFFFFFFF;
  }

private:
  bool read_exact(uint8_t* p, size_t n, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (n > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd pf{fd_, POLLIN, 0};
      if (::poll(&pf, 1, static_cast<int>(left.count())) <= 0) continue;
      ssize_t r = ::recv(fd_, p, n, 0);
      if (r <= 0) {
        closed_ = true;
        return false;
      }
      p += r;
      n -= static_cast<size_t>(r);
    }
    return true;
  }

  int fd_ = -1;
  bool closed_ = false;
};

// Polls `cond` for up to 20 s.
template <typename F>
bool eventually(F cond) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (cond()) return true;
    ::usleep(10 * 1000);
  }
  return cond();
}

}  // namespace camsim_test
