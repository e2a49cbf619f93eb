#include "server/vifs_protocol.h"

#include <cstring>
#include <limits>
#include <mutex>
#include <random>

namespace kestrune::vifs {

void copy_text(char* field, std::size_t width, const char* text) {
  std::memset(field, 0, width);
  if (text == nullptr || width == 0) return;
  std::size_t n = strnlen(text, width - 1);
  std::memcpy(field, text, n);
}

int build_message(unsigned char* out, std::uint16_t pairing, std::uint16_t message_id,
                  const void* body, std::uint32_t body_length,
                  std::uint32_t transaction_id, std::uint32_t session_id) {
  Header h{};
  h.format = kFormatWord;
  h.pairing = pairing;
  h.message_id = message_id;
  h.body_length = body_length;
  h.transaction_id = transaction_id;
  h.session_id = session_id;
  std::memcpy(out, &h, sizeof h);
  if (body_length > 0 && body != nullptr) std::memcpy(out + kHeaderSize, body, body_length);
  return kHeaderSize + static_cast<int>(body_length);
}

Header read_header(const unsigned char* message) {
  Header h;
  std::memcpy(&h, message, sizeof h);
  return h;
}

int cut_message(const unsigned char* data, int held, int* whole_length) {
  if (held < kHeaderSize) return 0;
  std::uint32_t body = 0;
  std::memcpy(&body, data + 6, sizeof body);
  if (body > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max() - kHeaderSize))
    return -1;
  int whole = kHeaderSize + static_cast<int>(body);
  if (held < whole) return 0;
  *whole_length = whole;
  return 1;
}

int build_login_request_1(unsigned char out[18 + 60], const char* group, const char* user,
                          std::uint32_t txn) {
  LoginRequest1 body{};
  copy_text(body.group_name, sizeof body.group_name, group);
  copy_text(body.user_name, sizeof body.user_name, user);
  return build_message(out, kPairingRequest, VIFS_LOGIN_REQUEST_1, &body, sizeof body, txn,
                       kNoSession);
}

int build_login_request_2(unsigned char out[18 + 16], const unsigned char digest[16],
                          std::uint32_t txn) {
  return build_message(out, kPairingRequest, VIFS_LOGIN_REQUEST_2, digest, 16, txn, kNoSession);
}

int build_nvt_list_request(unsigned char out[18], std::uint32_t txn, std::uint32_t session) {
  return build_message(out, kPairingRequest, VIFS_NVT_LIST_REQUEST, nullptr, 0, txn, session);
}

int build_relay_key_request(unsigned char out[18 + 8], const unsigned char camera_info[138],
                            std::uint32_t txn, std::uint32_t session) {
  RelayKeyRequest body{};
  std::memcpy(&body.nvt_id, camera_info + 0, 4);
  std::memcpy(&body.relay_value, camera_info + 98, 4);
  return build_message(out, kPairingRequest, VIFS_RELAY_KEY_REQUEST, &body, sizeof body, txn,
                       session);
}

int build_alive(unsigned char out[18], std::uint32_t txn, std::uint32_t session) {
  return build_message(out, kPairingRequest, VIFS_ALIVE, nullptr, 0, txn, session);
}

int build_logout_notice(unsigned char out[18], std::uint32_t txn, std::uint32_t session) {
  return build_message(out, kPairingLogout, kLogoutNoticeId, nullptr, 0, txn, session);
}

int build_get_all_user_request(unsigned char out[18 + 32], const char* group,
                               std::uint32_t txn, std::uint32_t session) {
  GetAllUserRequest body{};
  copy_text(body.group_name, sizeof body.group_name, group);
  return build_message(out, kPairingRequest, VIFS_GET_ALL_USER_REQUEST, &body, sizeof body,
                       txn, session);
}

int build_add_user_request(unsigned char out[18 + 108], const unsigned char user_info[108],
                           std::uint32_t txn, std::uint32_t session) {
  return build_message(out, kPairingRequest, VIFS_ADD_USER_REQUEST, user_info, kUserInfoSize,
                       txn, session);
}

int build_update_user_request(unsigned char out[18 + 108], const unsigned char user_info[108],
                              std::uint32_t txn, std::uint32_t session) {
  return build_message(out, kPairingRequest, VIFS_UPDATE_USER_REQUEST, user_info,
                       kUserInfoSize, txn, session);
}

int build_del_user_request(unsigned char out[18 + 56], const char* user, const char* group,
                           std::uint32_t txn, std::uint32_t session) {
  DelUserRequest body{};
  copy_text(body.user_name, sizeof body.user_name, user);
  copy_text(body.group_name, sizeof body.group_name, group);
  return build_message(out, kPairingRequest, VIFS_DEL_USER_REQUEST, &body, sizeof body, txn,
                       session);
}

std::uint32_t next_transaction_id() {
  static std::mutex lock;
  static std::minstd_rand generator(std::random_device{}());
  std::lock_guard<std::mutex> guard(lock);
  return static_cast<std::uint32_t>(generator() % 32768u);
}

}  // namespace kestrune::vifs
