// Shared helpers of the device library tests: a recording message handler,
// polling waits, a raw loopback peer and the library start/stop environment.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrune.h"

namespace devtest {

// Polls pred until it holds or the timeout passes.
inline bool wait_for(const std::function<bool()>& pred, int timeout_ms = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pred();
}

inline void password_block(const char* text, unsigned char out[16]) {
  std::memset(out, 0, 16);
  std::strncpy(reinterpret_cast<char*>(out), text, 15);
}

// Records what the library reports, for the test thread to inspect.
class RecordingHandler : public NVS_SDK_V160::INVDMessageHandler {
public:
  struct Block {
    std::uint32_t offset;
    std::uint16_t end_flag;
    std::vector<char> data;
  };

  void OnConnectResult(int result) override { add(connect_results, result); }
  void OnConnectionClose(int reason) override { add(close_reasons, reason); }
  void OnHeartBeat() override { bump(heartbeats); }
  void OnRecordStatisticInfomation(const char* body) override {
    std::uint16_t total;
    std::memcpy(&total, body, 2);
    add(statistics, static_cast<int>(total));
  }
  void OnRecordListInfomation(const char* body) override {
    std::uint16_t n, last;
    std::memcpy(&n, body, 2);
    std::memcpy(&last, body + 2, 2);
    std::lock_guard<std::mutex> g(mu);
    for (int i = 0; i < n; ++i) {
      NVS_SDK_V160::RECORD_FILE_ENTRY e;
      std::memcpy(&e, body + 4 + 48 * i, 48);
      entries.push_back(e);
    }
    ++pages;
    if (last) ++last_pages;
  }
  void OnDownloadResponse(const char* body) override {
    std::uint32_t v[3];
    std::memcpy(v, body, sizeof v);
    std::lock_guard<std::mutex> g(mu);
    download_responses.push_back({v[1], v[2]});
  }
  void OnDownloadData(const char* body) override {
    std::uint32_t head[4];
    std::uint16_t flag;
    std::memcpy(head, body, sizeof head);
    std::memcpy(&flag, body + 16, 2);
    std::lock_guard<std::mutex> g(mu);
    blocks[head[1]].push_back({head[2], flag, std::vector<char>(body + 20, body + 20 + head[3])});
  }
  void OnMediaData(const char*, int length, unsigned int value, int audio) override {
    std::lock_guard<std::mutex> g(mu);
    media_values.push_back(value);
    (audio ? audio_frames : video_frames)++;
    media_bytes += static_cast<unsigned long>(length);
  }
  void OnRecordStartResponse(const char*) override { bump(record_start_responses); }
  void OnRecordEndNotify(const char*) override { bump(record_end_notifies); }
  void OnRemotePlayResponse(const char*) override { bump(play_responses); }
  void OnVideoMediaSettings() override { bump(video_settings); }
  void OnPTZConfigure(const NVS_SDK_V160::PTZ_CONFIG*) override { bump(ptz_configs); }
  void OnConfigureResult(const int* result) override {
    std::lock_guard<std::mutex> g(mu);
    configure_results.push_back({result[0], result[1]});
  }

  template <class T>
  T get(const T& field) {
    std::lock_guard<std::mutex> g(mu);
    return field;
  }

  std::mutex mu;
  std::vector<int> connect_results, close_reasons, statistics;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> entries;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> download_responses;  // (id, status)
  std::map<std::uint32_t, std::vector<Block>> blocks;  // by download id
  int heartbeats = 0, pages = 0, last_pages = 0, video_frames = 0, audio_frames = 0;
  int record_start_responses = 0, record_end_notifies = 0, play_responses = 0, video_settings = 0;
  int ptz_configs = 0;
  std::vector<std::pair<int, int>> configure_results;  // (sub-type, result)
  unsigned long media_bytes = 0;
  std::vector<unsigned int> media_values;

private:
  void add(std::vector<int>& v, int x) {
    std::lock_guard<std::mutex> g(mu);
    v.push_back(x);
  }
  void bump(int& n) {
    std::lock_guard<std::mutex> g(mu);
    ++n;
  }
};

// Starts the library once per test program.
class SdkEnvironment : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(NVS_SDK_V160::Camera_SDK_Initialize(), 0); }
  void TearDown() override { NVS_SDK_V160::Camera_SDK_Finalize(); }
};

// A raw TCP peer on loopback: accepts one connection and lets the test read
// exactly what the library sent and write whatever it likes back.
class RawPeer {
public:
  explicit RawPeer(const char* address) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = ::inet_addr(address);
    a.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 4) != 0)
      ADD_FAILURE() << "cannot listen on " << address;
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~RawPeer() {
    close_client();
    ::close(listener_);
  }
  std::uint16_t port() const { return port_; }

  bool accept_client(int timeout_ms = 20000) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) != 1) return false;
    client_ = ::accept(listener_, nullptr, nullptr);
    return client_ >= 0;
  }
  void close_client() {
    if (client_ >= 0) ::close(client_);
    client_ = -1;
  }
  // Exactly n bytes, or fewer when the timeout passes / the peer closes.
  std::vector<unsigned char> read_n(std::size_t n, int timeout_ms = 20000) {
    std::vector<unsigned char> out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < n && std::chrono::steady_clock::now() < end) {
      pollfd p{client_, POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      unsigned char buf[4096];
      const ssize_t r = ::recv(client_, buf, std::min(sizeof buf, n - out.size()), 0);
      if (r <= 0) break;
      out.insert(out.end(), buf, buf + r);
    }
    return out;
  }
  // One whole message (by its length field).
  std::vector<unsigned char> read_message(int timeout_ms = 20000) {
    auto head = read_n(6, timeout_ms);
    if (head.size() < 6) return head;
    std::uint32_t length;
    std::memcpy(&length, head.data(), 4);
    auto rest = read_n(length - 6, timeout_ms);
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
  }
  // True when nothing arrives within the quiet period.
  bool silent_for(int ms) {
    pollfd p{client_, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
  }
  void write(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      const ssize_t r = ::send(client_, p, n, MSG_NOSIGNAL);
      if (r <= 0) return;
      p += r;
      n -= static_cast<std::size_t>(r);
    }
  }
  void write(const std::vector<unsigned char>& v) { write(v.data(), v.size()); }

private:
  int listener_ = -1;
  int client_ = -1;
  std::uint16_t port_ = 0;
};

// Little-endian message image helpers.
inline void put32(std::vector<unsigned char>& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}
inline void put16(std::vector<unsigned char>& v, std::uint16_t x) {
  v.push_back(static_cast<unsigned char>(x));
  v.push_back(static_cast<unsigned char>(x >> 8));
}
// A message of the given type and body, with the length filled in.
inline std::vector<unsigned char> message(std::uint8_t type, const std::vector<unsigned char>& body = {}) {
  std::vector<unsigned char> m;
  put32(m, static_cast<std::uint32_t>(6 + body.size()));
  m.push_back(type);
  m.push_back(0);
  m.insert(m.end(), body.begin(), body.end());
  return m;
}

}  // namespace devtest
