// Records of the video server that cross the library boundary: the
// logged-in user's identity (BaseUserInfo), one group user (UserInfo), a
// relay ticket and the shape of the camera list handed to the application.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "kestrune_export.h"

namespace NVS_SDK_V160 {

// The identity of one server user. NVS_Client_Module fills it at login (the
// strings as given, the user id as granted by the server) and the camera
// module copies it for the relayed connection's stamp request.
class KESTRUNE_API BaseUserInfo {
public:
  BaseUserInfo();
  BaseUserInfo(const BaseUserInfo& other);
  BaseUserInfo& operator=(const BaseUserInfo& other);
  virtual ~BaseUserInfo();

  std::string user_name;
  std::string password;
  std::string group_name;
  int reserved = -1;          // only carried along with the identity
  unsigned int user_id = 0;   // 0 until a login was answered
};

#pragma pack(push, 1)
// One group user as the server stores it. The library sends and receives the
// record unchanged and never reads its fields; they are named here for the
// application and our test server.
struct UserInfo {
  char user_name[24];     // at most 23 characters
  char password[32];      // at most 31 characters
  char group_name[32];    // at most 31 characters
  unsigned int rights;    // server-defined permission bits
  unsigned char reserved[16];
};

// The relay ticket for one camera (INVSMessageNotify::OnRelayTicket): where
// the relay waits for the camera's client and the key it must present.
struct RELAY_TICKET {
  std::uint32_t first_word;     // carried unread
  unsigned char relay_key[48];
  unsigned char address[4];     // dotted parts in reading order
  std::uint16_t port;           // host order
};
#pragma pack(pop)
static_assert(sizeof(UserInfo) == 108, "UserInfo is 108 bytes on the wire");
static_assert(sizeof(RELAY_TICKET) == 58, "RELAY_TICKET layout");
static_assert(offsetof(RELAY_TICKET, relay_key) == 4, "RELAY_TICKET layout");
static_assert(offsetof(RELAY_TICKET, address) == 52, "RELAY_TICKET layout");
static_assert(offsetof(RELAY_TICKET, port) == 56, "RELAY_TICKET layout");

// The camera list handed to INVSMessageNotify::OnReceiveNVTList: a u32
// count, the CAMERA_INFO records, then spare bytes that carry nothing.
inline constexpr int kNvtListHeaderBytes = 4;
inline constexpr int kNvtListTailBytes = 28;

}  // namespace NVS_SDK_V160
