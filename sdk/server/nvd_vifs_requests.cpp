// The client's requests, sent on the caller's thread; each one that expects
// an answer is remembered until the answer (or the close) comes.
#include "server/nvd_vifs_client.h"

#include <algorithm>
#include <cstring>

#include "net/log.h"
#include "server/login_digest.h"

namespace kestrune {

namespace {
constexpr const char* kModule = "NVDVIFsClient";
}  // namespace

bool NVDVIFsClient::logged_in_and_connected() const {
  return state() == STATE_CONNECTED && session_state_.load() == SESSION_LOGGED_IN;
}

int NVDVIFsClient::send_plain(const unsigned char* message, int length) {
  return send(message, length);
}

int NVDVIFsClient::send_remembered(unsigned char* message, int length) {
  // Stored before sending: the reply may come back before send returns.
  std::uint32_t txn = pending_.remember(message, length);
  int sent = send(message, length);
  if (sent != length) pending_.forget(txn);
  return sent;
}

int NVDVIFsClient::login(const char* user, const char* password, const char* group) {
  int expected = SESSION_NONE;
  if (state() != STATE_CONNECTED ||
      !session_state_.compare_exchange_strong(expected, SESSION_LOGGING_IN)) {
    sdk_log(kModule, LOG_ERROR, "Login Error VIFsClient Status Error.");
    return kNotConnected;
  }
  user_.user_name = user ? user : "";
  user_.password = password ? password : "";
  user_.group_name = group ? group : "";
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::LoginRequest1)];
  int length = vifs::build_login_request_1(message, user_.group_name.c_str(),
                                           user_.user_name.c_str(),
                                           vifs::next_transaction_id());
  // The state went to 1 first so that an early answer is not dropped.
  int sent = send_plain(message, length);
  if (sent != length) {
    session_state_.store(SESSION_NONE);
    return sent == kNotConnected ? kNotConnected : -1;
  }
  sdk_log(kModule, LOG_DEBUG, "Send Login Request 1. user is %s.", user_.user_name.c_str());
  return 0;
}

int NVDVIFsClient::logout() {
  if (!logged_in_and_connected()) return -1;
  // Sent straight on the socket while the connection closes (see
  // handle_close): a queued notice would be thrown away with the send queue.
  vifs::build_logout_notice(logout_notice_, vifs::next_transaction_id(),
                            static_cast<std::uint32_t>(session_id_.load()));
  logout_pending_.store(true);
  session_state_.store(SESSION_NONE);
  disconnect();
  return 0;
}

int NVDVIFsClient::send_nvt_list_request() {
  if (!logged_in_and_connected()) return -1;
  unsigned char message[vifs::kHeaderSize];
  vifs::build_nvt_list_request(message, vifs::next_transaction_id(),
                               static_cast<std::uint32_t>(session_id_.load()));
  send_plain(message, sizeof message);
  return 0;
}

int NVDVIFsClient::request_relay_key(const NVS_SDK_V160::CAMERA_INFO& camera) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::RelayKeyRequest)];
  int length = vifs::build_relay_key_request(
      message, reinterpret_cast<const unsigned char*>(&camera), 0,
      static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::get_all_users() {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::GetAllUserRequest)];
  int length = vifs::build_get_all_user_request(message, user_.group_name.c_str(), 0,
                                                static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::add_user(const NVS_SDK_V160::UserInfo& user) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + vifs::kUserInfoSize];
  int length = vifs::build_add_user_request(message, reinterpret_cast<const unsigned char*>(&user),
                                            0, static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::del_user(const char* user, const char* group) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::DelUserRequest)];
  int length = vifs::build_del_user_request(message, user, group, 0,
                                            static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::update_user(const NVS_SDK_V160::UserInfo& user) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + vifs::kUserInfoSize];
  int length = vifs::build_update_user_request(
      message, reinterpret_cast<const unsigned char*>(&user), 0,
      static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::group_user_list(unsigned char* buffer, int size) const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  long long need = static_cast<long long>(group_users_.size()) * vifs::kUserInfoSize;
  if (size < need || (need > 0 && buffer == nullptr)) return -1;
  if (need > 0) std::memcpy(buffer, group_users_.data(), static_cast<std::size_t>(need));
  return 0;
}

int NVDVIFsClient::group_user_count() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return static_cast<int>(group_users_.size());
}

std::vector<NVS_SDK_V160::CAMERA_INFO> NVDVIFsClient::cameras() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return cameras_;
}

}  // namespace kestrune
