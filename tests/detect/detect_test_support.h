// Announcement datagrams written out by hand, a notify that records what it
// is told, and a sender on loopback.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "camera_detect_module.h"

namespace detecttest {

using Bytes = std::vector<std::uint8_t>;
using NVS_SDK_V160::DetectedCamera;

inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put64(Bytes& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// 127.0.0.1 as the record holds it (host order).
constexpr std::uint32_t kLoopback = 0x7F000001;

inline Bytes short_announcement(std::uint64_t id, std::uint32_t address = kLoopback) {
  Bytes b(34, 0);
  put32(b, 6, address);
  put64(b, 14, id);
  return b;
}
inline Bytes long_announcement(std::uint64_t id, std::uint32_t address = kLoopback) {
  Bytes b(196, 0);
  b[2] = 1;
  put32(b, 16, address);
  put64(b, 40, id);
  return b;
}

struct Event {
  bool found;
  DetectedCamera record;
};

class RecordingNotify : public NVS_SDK_V160::ICameraDetectNotify {
public:
  void OnCameraFound(const DetectedCamera* r, int size) override { add(true, r, size); }
  void OnCameraLost(const DetectedCamera* r, int size) override { add(false, r, size); }

  std::vector<Event> events() const {
    std::lock_guard<std::mutex> g(mu_);
    return events_;
  }
  int count(bool found, std::uint64_t id) const {
    int n = 0;
    for (const Event& e : events()) n += e.found == found && e.record.camera_id == id;
    return n;
  }
  int bad_sizes() const {
    std::lock_guard<std::mutex> g(mu_);
    return bad_sizes_;
  }

private:
  void add(bool found, const DetectedCamera* r, int size) {
    std::lock_guard<std::mutex> g(mu_);
    if (size != 48) ++bad_sizes_;
    events_.push_back({found, *r});
  }
  mutable std::mutex mu_;
  std::vector<Event> events_;
  int bad_sizes_ = 0;
};

// Sends datagrams from 127.0.0.1 (or another loopback address) to a port.
class Sender {
public:
  explicit Sender(const char* from = "127.0.0.1") : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &a.sin_addr);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  ~Sender() { ::close(fd_); }
  Sender(const Sender&) = delete;
  Sender& operator=(const Sender&) = delete;

  void send(std::uint16_t port, const Bytes& b) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }

private:
  int fd_;
};

}  // namespace detecttest
