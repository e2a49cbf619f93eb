#include "announcer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace camsim {

namespace {

void put(std::vector<uint8_t>& d, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> announcement(const AnnounceConfig& config, const std::string& address) {
  in_addr a{};
  if (::inet_pton(AF_INET, address.c_str(), &a) != 1) return {};
  const uint32_t host = ntohl(a.s_addr);
  constexpr uint32_t kNetmask = 0xFF000000;  // second address word
  std::vector<uint8_t> d;
  if (!config.long_form) {
    d.assign(34, 0);
    put(d, 6, host, 4);
    put(d, 10, kNetmask, 4);
    put(d, 14, config.camera_id, 8);
    put(d, 22, 1, 2);  // three small values the receiver passes on as they come
    put(d, 26, 6, 2);
    put(d, 30, 0, 2);
    return d;
  }
  d.assign(196, 0);
  d[2] = 1;  // wired interface block valid, wireless block not
  static const char kTag[6] = {'e', 't', 'h', '0', 0, 0};
  std::memcpy(d.data() + 4, kTag, 6);
  put(d, 16, host, 4);
  put(d, 20, kNetmask, 4);
  put(d, 40, config.camera_id, 8);
  put(d, 48, 1, 2);
  put(d, 52, 6, 2);
  put(d, 56, 0, 2);
  return d;
}

Announcer::Announcer(AnnounceConfig config, std::string address, std::function<void()> sent)
    : config_(std::move(config)), sent_(std::move(sent)), address_(std::move(address)) {}

Announcer::~Announcer() { stop(); }

int Announcer::bind_sender(const std::string& address) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
    std::fprintf(stderr, "camsim: bad announcement address \"%s\"\n", address.c_str());
    return -1;
  }
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::fprintf(stderr, "camsim: cannot announce from %s: %s\n", address.c_str(), std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

int Announcer::start() {
  std::lock_guard<std::mutex> g(mu_);
  if (thread_.joinable()) return 0;
  fd_ = bind_sender(address_);
  if (fd_ < 0) return -1;
  stop_ = false;
  now_ = true;  // the first announcement goes out at once
  thread_ = std::thread(&Announcer::run, this);
  return 0;
}

void Announcer::stop() {
  {
    std::lock_guard<std::mutex> g(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> g(mu_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void Announcer::set_silent(bool silent) {
  std::lock_guard<std::mutex> g(mu_);
  silent_ = silent;
}

int Announcer::set_address(const std::string& address) {
  const int fd = bind_sender(address);
  if (fd < 0) return -1;
  std::lock_guard<std::mutex> g(mu_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  address_ = address;
  return 0;
}

void Announcer::send_malformed(size_t length) {
  std::vector<uint8_t> d;
  {
    std::lock_guard<std::mutex> g(mu_);
    d = announcement(config_, address_);
  }
  d.resize(length, 0);
  send_datagram(d);
}

void Announcer::announce_now() {
  {
    std::lock_guard<std::mutex> g(mu_);
    now_ = true;
  }
  cv_.notify_all();
}

void Announcer::send_datagram(const std::vector<uint8_t>& d) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(config_.target_port);
  if (::inet_pton(AF_INET, config_.target_address.c_str(), &to.sin_addr) != 1) return;
  ssize_t n;
  {
    std::lock_guard<std::mutex> g(mu_);
    if (fd_ < 0) return;
    n = ::sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  // Nobody listening is normal (the datagram is simply lost).
  if (n == static_cast<ssize_t>(d.size()) && sent_) sent_();
}

void Announcer::run() {
  std::unique_lock<std::mutex> l(mu_);
  const auto period = std::chrono::milliseconds(config_.period_ms > 0 ? config_.period_ms : 5000);
  auto due = std::chrono::steady_clock::now();
  for (;;) {
    cv_.wait_until(l, due, [this] { return stop_ || now_; });
    if (stop_) return;
    now_ = false;
    due = std::chrono::steady_clock::now() + period;
    if (silent_) continue;
    const std::vector<uint8_t> d = announcement(config_, address_);
    l.unlock();
    send_datagram(d);
    l.lock();
  }
}

}  // namespace camsim
