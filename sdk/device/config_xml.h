// The device configuration exchange: sub-type numbers, the XML documents
// the library writes for each Set operation, the MSG_CONFIG image, and the
// tag search that turns the camera's XML replies into the fixed records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera_config.h"

namespace kestrune {

// Read requests; the reply carries the request's sub-type + 1.
enum ConfigSubType : std::uint8_t {
  CFG_ETH_GET = 1, CFG_ETH_SET = 3,
  CFG_WIFI_GET = 5, CFG_WIFI_SET = 7,
  CFG_3G_GET = 9, CFG_3G_SET = 11,
  CFG_SERVICE_GET = 17, CFG_SERVICE_SET = 19,
  CFG_ALARM_GET = 25, CFG_ALARM_SET = 27,
  CFG_ADMIN_GET = 33, CFG_ADMIN_SET = 35,
  CFG_PTZ_GET = 41, CFG_PTZ_SET = 43,
  CFG_RECORD_GET = 45, CFG_RECORD_SET = 47,
  CFG_3G_STATUS_GET = 49,
};

constexpr std::size_t kConfigHeader = 18;

// Header (length 18 + L, u32 12 + L, u8 2, sub-type, 6 zero bytes) and text.
std::vector<char> config_message(std::uint8_t sub_type, std::string_view xml = {});

std::string eth_config_xml(const NVS_SDK_V160::ETH_CONFIG& c);
std::string wifi_update_ap_xml();
std::string wifi_config_xml(const NVS_SDK_V160::WIFI_CONFIG& c);
std::string service_config_xml(const NVS_SDK_V160::SERVICE_CONFIG& c);
std::string alarm_config_xml(const NVS_SDK_V160::ALARM_CONFIG& c);
std::string g3_config_xml(const NVS_SDK_V160::_3G_CONFIG& c);
std::string record_config_xml(const NVS_SDK_V160::RECORD_CONFIG& c);
std::string record_plan_xml(const NVS_SDK_V160::RECORD_PLAN& c);
std::string admin_pass_xml(const NVS_SDK_V160::ADMIN_PASS_CONFIG& c);
std::string ptz_config_xml(const NVS_SDK_V160::PTZ_CONFIG& c);
std::string ptz_default_pos_xml(const NVS_SDK_V160::PTZ_CHANGE& c);

// Plain tag search over a reply text (no XML parser: the camera's texts are
// flat and unescaped).
class ConfigReply {
public:
  explicit ConfigReply(std::string_view text) : text_(text) {}

  // Text between the first <tag> at or after `from` and the next </tag>,
  // cut to cap - 1 bytes; nothing when either tag is missing. `after` gets
  // the position behind the close tag.
  std::optional<std::string> element(std::string_view tag, std::size_t cap = 256,
                                     std::size_t from = 0, std::size_t* after = nullptr) const;
  std::string text(std::string_view tag, std::size_t cap = 256) const;
  int integer(std::string_view tag) const;
  std::int64_t wide(std::string_view tag) const;
  std::uint32_t address(std::string_view tag) const;  // network order, as inet_addr
  void copy(std::string_view tag, char* field, std::size_t width) const;

private:
  std::string_view text_;
};

// Replies into records (each record is cleared first).
void parse_eth_config(const ConfigReply& r, NVS_SDK_V160::ETH_CONFIG* c);
void parse_wifi_config(const ConfigReply& r, NVS_SDK_V160::WIFI_CONFIG* c);
void parse_g3_config(const ConfigReply& r, NVS_SDK_V160::_3G_CONFIG* c);
void parse_service_config(const ConfigReply& r, NVS_SDK_V160::SERVICE_CONFIG* c);
void parse_alarm_config(const ConfigReply& r, NVS_SDK_V160::ALARM_CONFIG* c);
void parse_admin_pass(const ConfigReply& r, NVS_SDK_V160::ADMIN_PASS_CONFIG* c);
// false when the reply lists no presets (the library's preset table stays).
bool parse_ptz_config(const ConfigReply& r, NVS_SDK_V160::PTZ_CONFIG* c);
void parse_record_config(const ConfigReply& r, NVS_SDK_V160::RECORD_CONFIG* c);
void parse_3g_status(const ConfigReply& r, NVS_SDK_V160::_3G_STATUS* c);
// Result of a write acknowledgement: its <result> element, -1 when absent.
int parse_config_result(const ConfigReply& r);

}  // namespace kestrune
