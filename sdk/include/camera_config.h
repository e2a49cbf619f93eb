// Device configuration records (network, wireless, server registration,
// alarms, modem, recording, administrator account, pan-tilt head): the
// arguments of Camera_Module's Set... operations and of the handler's
// configuration callbacks. Packed, little-endian; textN fields hold
// NUL-terminated 8-bit text; IPv4 addresses are in network byte order.
#pragma once

#include <cstdint>

namespace NVS_SDK_V160 {

#pragma pack(push, 1)

struct ETH_CONFIG {
  int dhcp_flag;
  std::uint32_t ip;
  std::uint32_t netmask;
  std::uint32_t gateway;
  char mac[24];  // filled from replies only
  std::uint32_t dns;
};
static_assert(sizeof(ETH_CONFIG) == 44, "ETH_CONFIG layout");

struct WIFI_AP_ENTRY {
  int id;
  int auth_type;
  char key[32];
  char ssid[64];
  int key_id;
  int enc_type;
};
static_assert(sizeof(WIFI_AP_ENTRY) == 112, "WIFI_AP_ENTRY layout");

struct WIFI_CONFIG {
  int wifi_flag;
  int ap_count;  // access points listed
  int ap_selected_id;
  int wifi_encoding_type;
  char wifi_encoding_token[32];
  int wifi_dhcp;
  std::uint32_t wip;
  std::uint32_t wnetmask;
  std::uint32_t wgateway;
  std::uint32_t wdns;
  std::uint8_t unused68[24];
  WIFI_AP_ENTRY ap_list[64];  // for a write, entry 0 is the network to join
};
static_assert(sizeof(WIFI_CONFIG) == 7260, "WIFI_CONFIG layout");

struct SERVICE_CONFIG {
  int nvs_service;
  char nvs_ip[256];
  char bakup_nvs_ip[256];
  std::uint16_t nvs_port;
  char device_id[32];
  char device_name[32];
  int nvs_route;
  int nvt_port_upnp;
  int enable_ap;
  char ap_ssid[64];
  char ap_key[32];
  int ap_outif;
};
static_assert(sizeof(SERVICE_CONFIG) == 694, "SERVICE_CONFIG layout");

struct ALARM_CONFIG {
  int external_alarm_enable;
  int gm_motion_detect_flag;
  int md_sensitivity_level;
  int global_alarm_filter;
  int sound_alarm;
  int RECORD_FLAG;
  int RECORD_QUALITY;
  int alarm_firewall;
  char CALLBACK_PHONE[24];
  char CALLBACK_PHONE1[24];
  char CALLBACK_PHONE2[24];
  char CALLBACK_PHONE3[24];
  char CALLBACK_PHONE4[24];
  char CALLBACK_PHONE5[24];
  char SMS_PHONE[24];
  char SMS_PHONE1[24];
  char SMS_PHONE2[24];
};
static_assert(sizeof(ALARM_CONFIG) == 248, "ALARM_CONFIG layout");

// One dial-up profile of the modem. Profiles lie 208 bytes apart although
// each dial number is 64 bytes wide: a dial number runs 16 bytes into the
// next profile's user name (profile_dial_number() gives its full extent).
struct _3G_PROFILE {
  char user_name[48];
  char password[48];
  char access_point[64];
  char dial_number[48];
};
static_assert(sizeof(_3G_PROFILE) == 208, "_3G_PROFILE layout");

struct _3G_CONFIG {
  char USB_MODEM_MODEL[32];
  char MODE[8];
  int NETWORK_MODE;
  char SERVICE_TYPE[16];
  int PPP_AUTO_CONF;
  _3G_PROFILE profile[3];  // profile 0 is the one a write sends
  std::uint8_t reserved688[6032];
};
static_assert(sizeof(_3G_CONFIG) == 6720, "_3G_CONFIG layout");

// The 64-byte dial number of profile i (0 to 2).
inline char* profile_dial_number(_3G_CONFIG& c, int i) {
  return reinterpret_cast<char*>(&c) + 64 + 208 * i + 160;
}
inline const char* profile_dial_number(const _3G_CONFIG& c, int i) {
  return reinterpret_cast<const char*>(&c) + 64 + 208 * i + 160;
}

// The modem's state (argument of On3GStatus).
struct _3G_STATUS {
  char cs_modem_type[16];
  int cs_sim_state;
  int cs_3gphonenet_state;
  char cs_network_type[16];
  int cs_signal_state;
  int cs_signal_value;
  int cs_3gnet_state;
  char cs_base_info[64];
  std::int64_t ppp_usage_cur;
  std::int64_t ppp_usage_day;
  std::int64_t ppp_usage_mon;
};
static_assert(sizeof(_3G_STATUS) == 140, "_3G_STATUS layout");

struct RECORD_SCHEDULE_ENTRY {
  int id;
  int s_hour;
  int e_hour;
  int video_cycle;
};
static_assert(sizeof(RECORD_SCHEDULE_ENTRY) == 16, "RECORD_SCHEDULE_ENTRY layout");

struct RECORD_CONFIG {
  int location;
  int auto_rec;
  int auto_cover;
  int sec_per_rec;
  int freeage_to_del;
  int use_liveview;
  int rec_quality;
  int entry_count;
  RECORD_SCHEDULE_ENTRY entries[96];
};
static_assert(sizeof(RECORD_CONFIG) == 1568, "RECORD_CONFIG layout");

struct RECORD_PLAN_ENTRY {
  int id;
  int start_hour;
  int end_hour;
  int cycle;
};
static_assert(sizeof(RECORD_PLAN_ENTRY) == 16, "RECORD_PLAN_ENTRY layout");

struct RECORD_PLAN {
  int isDel;  // 0 adds the entries, non-zero deletes them
  RECORD_PLAN_ENTRY entries[96];
  int entry_count;
};
static_assert(sizeof(RECORD_PLAN) == 1544, "RECORD_PLAN layout");

struct ADMIN_PASS_CONFIG {
  char username[32];
  char password[32];
};
static_assert(sizeof(ADMIN_PASS_CONFIG) == 64, "ADMIN_PASS_CONFIG layout");

struct PTZ_PRESET {
  int index;  // 1 to 5; 0 = not defined
  int x;
  int y;
};
static_assert(sizeof(PTZ_PRESET) == 12, "PTZ_PRESET layout");

struct PTZ_CONFIG {
  int gm_camera_lock;
  int turn_ptz_r_l;
  int turn_ptz_u_d;
  int gm_ptz_speed;
  int change_loc;
  int gm_loc;
  int preset_count;
  PTZ_PRESET presets[5];  // preset i at index i - 1
};
static_assert(sizeof(PTZ_CONFIG) == 88, "PTZ_CONFIG layout");

struct PTZ_CHANGE {
  int isDel;
  int preset_index;
};
static_assert(sizeof(PTZ_CHANGE) == 8, "PTZ_CHANGE layout");

#pragma pack(pop)

// A server user's identity, as the server client holds it.
class BaseUserInfo;

}  // namespace NVS_SDK_V160
