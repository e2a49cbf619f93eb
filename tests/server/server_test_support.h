// Shared pieces of the server client tests: a recording INVSMessageNotify,
// waiting helpers, a captured log and a simulated server with one account.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrune.h"
#include "net/log.h"
#include "log_capture.h"
#include "nvssim.h"
#include "wait_until.h"

namespace server_test {

using Bytes = std::vector<unsigned char>;

inline bool wait_until(const std::function<bool()>& pred, int timeout_ms = 15000) {
  return ks_test::wait_until(pred, timeout_ms, {}, 5);
}

// Every notification, as text, plus the payloads of the last of each kind.
class Recorder : public NVS_SDK_V160::INVSMessageNotify {
public:
  int OnConnectServer(int e) override { return add("connect " + std::to_string(e)); }
  int OnConnectionBroken(int e) override { return add("broken " + std::to_string(e)); }
  int OnAccessResponse(int r) override { return add("access " + std::to_string(r)); }
  int OnRelayTicket(unsigned id, const unsigned char* t) override {
    std::lock_guard<std::mutex> g(m_);
    ticket.assign(t, t + 58);
    return add_locked("ticket " + std::to_string(id));
  }
  int OnReceiveNVTList(const unsigned char* data, int size) override {
    std::lock_guard<std::mutex> g(m_);
    list.assign(data, data + size);
    return add_locked("list " + std::to_string(size));
  }
  int OnAddUserResponse(int r) override { return add("add " + std::to_string(r)); }
  int OnDelUserResponse(int r) override { return add("del " + std::to_string(r)); }
  int OnUpdateUserResponse(int r) override { return add("update " + std::to_string(r)); }
  int OnGetAllUserResponse(int n) override { return add("all " + std::to_string(n)); }
  int OnFlowControl(const unsigned char* m) override {
    std::lock_guard<std::mutex> g(m_);
    std::uint32_t body;
    std::memcpy(&body, m + 6, 4);
    flow.assign(m, m + 18 + body);
    return add_locked("flow");
  }
  int OnSeizeNotify() override { return add("seize"); }
  int OnNotice14(const unsigned char* b) override {
    std::lock_guard<std::mutex> g(m_);
    notice.assign(b, b + 4);
    return add_locked("notice14");
  }

  std::vector<std::string> events() const {
    std::lock_guard<std::mutex> g(m_);
    return events_;
  }
  bool has(const std::string& e) const {
    std::lock_guard<std::mutex> g(m_);
    for (const auto& x : events_)
      if (x == e) return true;
    return false;
  }
  int count(const std::string& prefix) const {
    std::lock_guard<std::mutex> g(m_);
    int n = 0;
    for (const auto& x : events_)
      if (x.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  bool wait_for(const std::string& e, int timeout_ms = 15000) const {
    return wait_until([&] { return has(e); }, timeout_ms);
  }
  template <class F>
  auto locked(F f) const {
    std::lock_guard<std::mutex> g(m_);
    return f();
  }

  Bytes ticket, list, flow, notice;

private:
  int add(const std::string& e) {
    std::lock_guard<std::mutex> g(m_);
    return add_locked(e);
  }
  int add_locked(const std::string& e) {
    events_.push_back(e);
    return 0;
  }
  mutable std::mutex m_;
  std::vector<std::string> events_;
};

// Unregisters the notify and logs out when a test ends, so a connection that
// outlives the test never calls into a destroyed recorder.
class NotifyGuard {
public:
  explicit NotifyGuard(NVS_SDK_V160::NVS_Client_Module& m) : m_(m) {}
  ~NotifyGuard() {
    m_.RegisterMessageNofity(nullptr);
    m_.LogoutServer();
  }
  NotifyGuard(const NotifyGuard&) = delete;
  NotifyGuard& operator=(const NotifyGuard&) = delete;

private:
  NVS_SDK_V160::NVS_Client_Module& m_;
};

using ks_test::LogCapture;

inline nvssim::Account account(const std::string& user = "alice",
                               const std::string& password = "secret",
                               const std::string& group = "SERIAL0001", int cameras = 2) {
  nvssim::Account a;
  a.user = user;
  a.password = password;
  a.group = group;
  a.user_id = 4711;
  for (int i = 0; i < cameras; ++i) {
    nvssim::Camera c;
    c.nvt_id = 1000 + static_cast<uint32_t>(i);
    c.relay_value = 0xC0DE0000u + static_cast<uint32_t>(i);
    c.name = "cam" + std::to_string(i);
    a.cameras.push_back(c);
  }
  return a;
}

// The library's reactor for one test case (each case runs in its own process).
class ServerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(NVS_SDK_V160::Camera_SDK_Initialize(), 0); }
  void TearDown() override { NVS_SDK_V160::Camera_SDK_Finalize(); }

  std::unique_ptr<nvssim::Server> start_server(nvssim::Config config) {
    auto s = std::make_unique<nvssim::Server>(std::move(config));
    EXPECT_TRUE(s->start());
    return s;
  }

  // Connects and logs in; true when the server granted the session.
  bool connect_and_login(NVS_SDK_V160::NVS_Client_Module& m, Recorder& r, nvssim::Server& s,
                         const char* address, const nvssim::Account& a) {
    m.RegisterMessageNofity(&r);
    if (m.ConnectServer(address, s.port()) != 0) return false;
    if (!r.wait_for("connect 0")) return false;
    if (m.LoginServer(a.user.c_str(), a.password.c_str(), a.group.c_str()) != 0) return false;
    return r.wait_for("access 0");
  }
};

}  // namespace server_test
