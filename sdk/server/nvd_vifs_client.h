// The control connection of one user to the video server: two-step login,
// heartbeat, camera list, relay tickets, group users and server notices.
// Outcomes are reported through the virtual hooks, all on the reactor thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "camera_records.h"
#include "net/tcp_connection.h"
#include "net/time_value.h"
#include "nvs_records.h"
#include "server/pending_requests.h"
#include "server/vifs_protocol.h"

namespace kestrune {

class NVDVIFsClient : public TCPConnection {
public:
  enum SessionState { SESSION_NONE = 0, SESSION_LOGGING_IN = 1, SESSION_LOGGED_IN = 2 };

  NVDVIFsClient();
  ~NVDVIFsClient() override;

  // --- requests, on the caller's thread ---
  int login(const char* user, const char* password, const char* group);
  int logout();
  int send_nvt_list_request();
  int request_relay_key(const NVS_SDK_V160::CAMERA_INFO& camera);
  int get_all_users();
  int add_user(const NVS_SDK_V160::UserInfo& user);
  int del_user(const char* user, const char* group);
  int update_user(const NVS_SDK_V160::UserInfo& user);

  int group_user_list(unsigned char* buffer, int size) const;
  int group_user_count() const;

  int session_state() const { return session_state_.load(); }
  int session_id() const { return session_id_.load(); }
  bool online() const { return online_.load() != 0; }
  const NVS_SDK_V160::BaseUserInfo& user() const { return user_; }
  std::size_t pending_count() const { return pending_.size(); }

  // Heartbeat timing (10 s, then every 15 s); tests shorten it.
  void set_heartbeat_timing(const TimeValue& first, const TimeValue& every);

  // --- reactor side ---
  int handle_input() override;
  int handle_close(socket_t socket, int mask) override;
  int handle_timeout(const TimeValue& now, void* arg) override;
  int on_connect_result(int error) override;
  int on_connection_closed(int error) override;

  // --- hooks ---
  virtual int on_access_response(int result);
  virtual int on_relay_ticket(unsigned camera_id, const unsigned char* message);
  virtual int on_receive_nvt_list();
  virtual int on_add_user_response(int result) { (void)result; return 0; }
  virtual int on_del_user_response(int result) { (void)result; return 0; }
  virtual int on_update_user_response(int result) { (void)result; return 0; }
  virtual int on_get_all_user_response(int count) { (void)count; return 0; }
  virtual int on_flow_control(const unsigned char* message) { (void)message; return 0; }
  virtual int on_seize_notify() { return 0; }
  virtual int on_notice_14(const unsigned char* message) { (void)message; return 0; }

protected:
  // The held camera list, for the hook that hands it on (reactor thread).
  std::vector<NVS_SDK_V160::CAMERA_INFO> cameras() const;

private:
  int send_plain(const unsigned char* message, int length);
  int send_remembered(unsigned char* message, int length);
  bool logged_in_and_connected() const;

  void dispatch();
  void on_login_response_1(const unsigned char* body, std::uint32_t length);
  void on_login_response_2(const unsigned char* body, std::uint32_t length);
  void on_nvt_list(const unsigned char* body, std::uint32_t length);
  void on_relay_key_response(const vifs::Header& h, const vifs::PendingRequests::Message* source);
  void on_group_answer(std::uint16_t id, const unsigned char* body, std::uint32_t length);
  bool long_enough(std::uint32_t length, std::uint32_t need, int id) const;
  void on_get_all_users(const unsigned char* body, std::uint32_t length);
  void on_common_error(const unsigned char* body, std::uint32_t length,
                       const vifs::PendingRequests::Message* source);
  void start_heartbeat();
  void send_login_step_2();
  void reset_session();

  // Reassembly, reactor thread only (the reset runs while no pass runs).
  unsigned char receive_buffer_[vifs::kMaxMessage];
  int fill_ = 0;
  unsigned char current_[vifs::kMaxMessage];
  int current_length_ = 0;
  vifs::Header current_header_{};

  vifs::PendingRequests pending_;

  mutable std::mutex lists_lock_;  // the application reads the group list
  std::vector<NVS_SDK_V160::CAMERA_INFO> cameras_;
  std::vector<NVS_SDK_V160::UserInfo> group_users_;

  NVS_SDK_V160::BaseUserInfo user_;

  std::atomic<int> online_{1};
  std::atomic<int> session_state_{SESSION_NONE};
  std::atomic<std::int32_t> session_id_{-1};
  std::atomic<std::uint32_t> challenge_{0};
  std::atomic<int> timer_id_{0};
  std::atomic<int> answer_count_{1};
  std::atomic<std::int64_t> heartbeat_first_ms_{10000};
  std::atomic<std::int64_t> heartbeat_every_ms_{15000};

  unsigned char logout_notice_[vifs::kHeaderSize] = {};
  std::atomic<bool> logout_pending_{false};
};

}  // namespace kestrune
