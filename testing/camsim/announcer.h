// The simulated camera's announcements on the local network: one datagram
// (short or long form) every period, from the camera's own address to the
// discovery port, with switches to move, fall silent or send bad lengths.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace camsim {

struct AnnounceConfig {
  uint64_t camera_id = 0;  // 0 = the camera does not announce itself
  bool long_form = false;  // 196-byte form instead of the 34-byte one
  int period_ms = 5000;
  std::string target_address = "127.0.0.1";
  uint16_t target_port = 51010;
};

// The datagram a camera at `address` (dotted) sends; empty for a bad address.
std::vector<uint8_t> announcement(const AnnounceConfig& config, const std::string& address);

class Announcer {
public:
  // `sent` is called after every datagram that left.
  Announcer(AnnounceConfig config, std::string address, std::function<void()> sent);
  ~Announcer();  // stops
  Announcer(const Announcer&) = delete;
  Announcer& operator=(const Announcer&) = delete;

  int start();  // 0; -1 when the sending socket cannot be bound (reason on stderr)
  void stop();

  // Any thread.
  void set_silent(bool silent);
  // Announces from (and carries) a new address from the next datagram on;
  // -1 when that address cannot be bound.
  int set_address(const std::string& address);
  // One datagram of `length` bytes (the announcement cut or padded), now.
  void send_malformed(size_t length);
  void announce_now();

private:
  void run();
  void send_datagram(const std::vector<uint8_t>& d);
  static int bind_sender(const std::string& address);

  AnnounceConfig config_;
  std::function<void()> sent_;
  std::mutex mu_;  // guards everything below but the thread
  std::condition_variable cv_;
  std::string address_;
  int fd_ = -1;
  bool silent_ = false;
  bool stop_ = false;
  bool now_ = false;
  std::thread thread_;
};

}  // namespace camsim
