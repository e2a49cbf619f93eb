// Wire layout of the video server's VIFs messages: the 18-byte header, the
// message ids and the fixed request/answer bodies, plus the builders that
// produce whole messages. Pure functions, no connection state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "nvs_records.h"

namespace kestrune::vifs {

enum MessageId : std::uint16_t {
  VIFS_LOGIN_REQUEST_1 = 3,
  VIFS_LOGIN_RESPONSE_1 = 4,
  VIFS_LOGIN_REQUEST_2 = 5,
  VIFS_LOGIN_RESPONSE_2 = 6,
  VIFS_NVT_LIST_REQUEST = 7,
  VIFS_NVT_LIST_RESPONSE = 8,
  VIFS_STAMP_REQUEST = 9,
  VIFS_STAMP_RESPONSE = 10,
  VIFS_RELAY_KEY_REQUEST = 11,
  VIFS_RELAY_KEY_RESPONSE = 12,
  VIFS_NVT_LIST_UPDATE = 13,
  VIFS_NOTICE_14 = 14,
  VIFS_ALIVE = 17,
  VIFS_GET_ALL_USER_REQUEST = 18,
  VIFS_GET_ALL_USER_RESPONSE = 19,
  VIFS_ADD_USER_REQUEST = 20,
  VIFS_ADD_USER_RESPONSE = 21,
  VIFS_DEL_USER_REQUEST = 22,
  VIFS_DEL_USER_RESPONSE = 23,
  VIFS_UPDATE_USER_REQUEST = 24,
  VIFS_UPDATE_USER_RESPONSE = 25,
  VIFS_SEIZE_NOTIFY = 27,
  VIFS_FLOW_CONTROL_NOTIFY = 28,
  VIFS_COMMON_ERROR = 0x0FFF,
};

constexpr std::uint16_t kFormatWord = 2;
constexpr std::uint16_t kPairingRequest = 1;
// The logout notice is told apart by its second word; its id word stays 0.
constexpr std::uint16_t kPairingLogout = 0x1000;
constexpr std::uint16_t kLogoutNoticeId = 0;
constexpr std::uint32_t kNoSession = 0xFFFFFFFFu;

constexpr int kHeaderSize = 18;
constexpr int kMaxMessage = 128000;  // receive buffer of one connection
constexpr int kMaxCameras = 100;     // camera entries held from one list
constexpr int kCameraInfoSize = 138;
constexpr int kUserInfoSize = 108;
constexpr int kRelayKeySize = 48;
constexpr int kRelayTicketSize = 58;

#pragma pack(push, 1)
struct Header {
  std::uint16_t format;
  std::uint16_t pairing;
  std::uint16_t message_id;
  std::uint32_t body_length;
  std::uint32_t transaction_id;
  std::uint32_t session_id;
};

struct LoginRequest1 {
  char group_name[32];
  char user_name[28];
};
struct LoginResponse1 {
  std::int32_t result;
  std::uint32_t challenge;
};
struct LoginRequest2 {
  unsigned char digest[16];
};
struct LoginResponse2 {
  std::int32_t result;
  std::int32_t session_id;
  std::uint32_t user_id;
};
struct RelayKeyRequest {
  std::uint32_t nvt_id;       // CAMERA_INFO bytes 0..3
  std::uint32_t relay_value;  // CAMERA_INFO bytes 98..101
};
struct StampRequest {
  std::uint32_t user_id;
  char user_name[24];
  unsigned char relay_key[48];
};
struct StampResponse {
  std::int32_t result;
  std::int32_t session_value;
};
struct GetAllUserRequest {
  char group_name[32];
};
struct DelUserRequest {
  char user_name[24];
  char group_name[32];
};
struct ResultBody {
  std::int32_t result;
};
#pragma pack(pop)

static_assert(sizeof(Header) == 18);
static_assert(sizeof(LoginRequest1) == 60);
static_assert(sizeof(LoginResponse1) == 8);
static_assert(sizeof(LoginRequest2) == 16);
static_assert(sizeof(LoginResponse2) == 12);
static_assert(sizeof(RelayKeyRequest) == 8);
// The ticket is handed to the application as it came.
using RelayTicket = NVS_SDK_V160::RELAY_TICKET;
static_assert(sizeof(RelayTicket) == kRelayTicketSize);
static_assert(sizeof(StampRequest) == 76);
static_assert(sizeof(StampResponse) == 8);
static_assert(sizeof(GetAllUserRequest) == 32);
static_assert(sizeof(DelUserRequest) == 56);

// Copies text into a fixed field, cut to width - 1 characters, the rest of
// the field zero. A null text gives an empty field.
void copy_text(char* field, std::size_t width, const char* text);

// Writes header + body into out (which must hold 18 + body_length bytes);
// returns the whole length. The header is zero-filled first.
int build_message(unsigned char* out, std::uint16_t pairing, std::uint16_t message_id,
                  const void* body, std::uint32_t body_length,
                  std::uint32_t transaction_id, std::uint32_t session_id);

Header read_header(const unsigned char* message);

// How much of a byte stream forms the first whole message:
// 1 = complete (whole_length set), 0 = need more bytes, -1 = the declared
// length cannot be represented (parse failure).
int cut_message(const unsigned char* data, int held, int* whole_length);

// Whole-message builders; each returns the message length.
int build_login_request_1(unsigned char out[18 + 60], const char* group, const char* user,
                          std::uint32_t txn);
int build_login_request_2(unsigned char out[18 + 16], const unsigned char digest[16],
                          std::uint32_t txn);
int build_nvt_list_request(unsigned char out[18], std::uint32_t txn, std::uint32_t session);
int build_relay_key_request(unsigned char out[18 + 8], const unsigned char camera_info[138],
                            std::uint32_t txn, std::uint32_t session);
int build_alive(unsigned char out[18], std::uint32_t txn, std::uint32_t session);
int build_logout_notice(unsigned char out[18], std::uint32_t txn, std::uint32_t session);
int build_get_all_user_request(unsigned char out[18 + 32], const char* group,
                               std::uint32_t txn, std::uint32_t session);
int build_add_user_request(unsigned char out[18 + 108], const unsigned char user_info[108],
                           std::uint32_t txn, std::uint32_t session);
int build_update_user_request(unsigned char out[18 + 108], const unsigned char user_info[108],
                              std::uint32_t txn, std::uint32_t session);
int build_del_user_request(unsigned char out[18 + 56], const char* user, const char* group,
                           std::uint32_t txn, std::uint32_t session);

// Transaction ids: 0..32767 like the C library generator, from a generator
// that is safe to call from any thread.
std::uint32_t next_transaction_id();

}  // namespace kestrune::vifs
