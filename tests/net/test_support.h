// Helpers shared by the network core tests: captured log lines, waiting for
// a condition, loopback listeners.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/log.h"

namespace kestrune::test {

// Collects every log line while alive.
class LogCapture {
public:
  LogCapture() { set_log_sink(&LogCapture::sink); clear(); }
  ~LogCapture() { set_log_sink(nullptr); }

  static std::vector<std::string> lines() {
    std::lock_guard<std::mutex> g(mutex());
    return store();
  }
  static void clear() {
    std::lock_guard<std::mutex> g(mutex());
    store().clear();
  }
  static int count(const std::string& text) {
    int n = 0;
    for (const auto& l : lines()) n += l == text;
    return n;
  }
  static int count_containing(const std::string& text) {
    int n = 0;
    for (const auto& l : lines()) n += l.find(text) != std::string::npos;
    return n;
  }

private:
  static void sink(const std::string& line) {
    std::lock_guard<std::mutex> g(mutex());
    store().push_back(line);
  }
  static std::mutex& mutex() { static std::mutex m; return m; }
  static std::vector<std::string>& store() { static std::vector<std::string> s; return s; }
};

inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 15000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
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
