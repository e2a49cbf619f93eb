#include "device/config_xml.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/platform.h"

namespace kestrune {
namespace NS = NVS_SDK_V160;

namespace {

std::string field_text(const char* field, std::size_t width) {
  const void* nul = std::memchr(field, 0, width);
  return std::string(field, nul ? static_cast<const char*>(nul) - field : width);
}

std::string dotted(std::uint32_t address) {
  unsigned char b[4];
  std::memcpy(b, &address, 4);
  char out[16];
  std::snprintf(out, sizeof out, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return out;
}

// Writes "<tag>value</tag>" lines under one root element.
class XmlWriter {
public:
  explicit XmlWriter(const char* root) : root_(root) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + root_ + ">\r\n";
  }
  XmlWriter& value(const char* tag, const std::string& v, bool line_end = true) {
    out_ += "<";
    out_ += tag;
    out_ += ">";
    out_ += v;
    out_ += "</";
    out_ += tag;
    out_ += line_end ? ">\r\n" : ">";
    return *this;
  }
  XmlWriter& num(const char* tag, long long v, bool line_end = true) { return value(tag, std::to_string(v), line_end); }
  XmlWriter& ip(const char* tag, std::uint32_t a, bool line_end = true) { return value(tag, dotted(a), line_end); }
  template <std::size_t N>
  XmlWriter& text(const char* tag, const char (&field)[N]) { return value(tag, field_text(field, N)); }
  std::string close(bool line_end = false) {
    out_ += "</" + root_ + ">";
    if (line_end) out_ += "\r\n";
    return out_;
  }

private:
  std::string root_;
  std::string out_;
};

template <std::size_t N>
void copy_field(const ConfigReply& r, std::string_view tag, char (&field)[N]) {
  r.copy(tag, field, N);
}

}  // namespace

std::vector<char> config_message(std::uint8_t sub_type, std::string_view xml) {
  std::vector<char> msg(kConfigHeader + xml.size(), 0);
  const std::uint32_t length = static_cast<std::uint32_t>(msg.size());
  const std::uint32_t inner = length - 6;
  std::memcpy(msg.data(), &length, 4);
  msg[4] = 8;  // MSG_CONFIG
  std::memcpy(msg.data() + 6, &inner, 4);
  msg[10] = 2;
  msg[11] = static_cast<char>(sub_type);
  if (!xml.empty()) std::memcpy(msg.data() + kConfigHeader, xml.data(), xml.size());
  return msg;
}

std::string eth_config_xml(const NS::ETH_CONFIG& c) {
  return XmlWriter("set")
      .num("dhcp_flag", c.dhcp_flag)
      .ip("ip", c.ip)
      .ip("netmask", c.netmask)
      .ip("gateway", c.gateway)
      .ip("dns", c.dns)
      .close();
}

std::string wifi_update_ap_xml() { return XmlWriter("set").num("refresh_ap_flag", 1).close(true); }

std::string wifi_config_xml(const NS::WIFI_CONFIG& c) {
  const NS::WIFI_AP_ENTRY& ap = c.ap_list[0];
  return XmlWriter("set")
      .num("wifi_flag", c.wifi_flag)
      .num("wifi_dhcp", c.wifi_dhcp)
      .ip("wip", c.wip)
      .ip("wnetmask", c.wnetmask)
      .ip("wgateway", c.wgateway)
      .ip("wdns", c.wdns, false)
      .num("ap_selected_id", c.ap_selected_id)
      .text("wifi_essid", ap.ssid)
      .num("key_id", ap.key_id)
      .num("auth_type", ap.auth_type)
      .num("wifi_encoding_type", ap.enc_type)
      .text("wifi_encoding_token", ap.key)
      .close();
}

std::string service_config_xml(const NS::SERVICE_CONFIG& c) {
  return XmlWriter("set")
      .num("nvs_service", c.nvs_service)
      .num("nvt_port_upnp", c.nvt_port_upnp)
      .text("nvs_ip", c.nvs_ip)
      .text("bakup_nvs_ip", c.bakup_nvs_ip)
      .num("nvs_port", c.nvs_port)
      .text("device_id", c.device_id)
      .text("device_name", c.device_name)
      .num("nvs_route", c.nvs_route)
      .num("enable_ap", c.enable_ap)
      .text("ap_key", c.ap_key)
      .num("ap_outif", c.ap_outif)
      .close();
}

std::string alarm_config_xml(const NS::ALARM_CONFIG& c) {
  return XmlWriter("alarmsetting")
      .num("external_alarm_enable", c.external_alarm_enable)
      .num("gm_motion_detect_flag", c.gm_motion_detect_flag)
      .num("md_sensitivity_level", c.md_sensitivity_level)
      .num("global_alarm_filter", c.global_alarm_filter)
      .num("sound_alarm", c.sound_alarm)
      .num("RECORD_FLAG", c.RECORD_FLAG)
      .num("RECORD_QUALITY", c.RECORD_QUALITY)
      .num("alarm_firewall", c.alarm_firewall)
      .text("CALLBACK_PHONE", c.CALLBACK_PHONE)
      .text("CALLBACK_PHONE1", c.CALLBACK_PHONE1)
      .text("CALLBACK_PHONE2", c.CALLBACK_PHONE2)
      .text("CALLBACK_PHONE3", c.CALLBACK_PHONE3)
      .text("CALLBACK_PHONE4", c.CALLBACK_PHONE4)
      .text("CALLBACK_PHONE5", c.CALLBACK_PHONE5)
      .text("SMS_PHONE", c.SMS_PHONE)
      .text("SMS_PHONE1", c.SMS_PHONE1)
      .text("SMS_PHONE2", c.SMS_PHONE2)
      .close();
}

std::string g3_config_xml(const NS::_3G_CONFIG& c) {
  const NS::_3G_PROFILE& p = c.profile[0];
  return XmlWriter("g3setting")
      .text("USB_MODEM_MODEL", c.USB_MODEM_MODEL)
      .text("MODE", c.MODE)
      .num("NETWORK_MODE", c.NETWORK_MODE)
      .text("SERVICE_TYPE", c.SERVICE_TYPE)
      .num("PPP_AUTO_CONF", c.PPP_AUTO_CONF)
      .text("USERNAME", p.user_name)
      .text("PASSWORD", p.password)
      .text("ACCESS_POINT", p.access_point)
      .value("PPP_DIAL_NUM", field_text(NS::profile_dial_number(c, 0), 64))
      .close();
}

std::string record_config_xml(const NS::RECORD_CONFIG& c) {
  return XmlWriter("set")
      .num("location", c.location)
      .num("auto_rec", c.auto_rec)
      .num("auto_cover", c.auto_cover)
      .num("sec_per_rec", c.sec_per_rec)
      .num("freeage_to_del", c.freeage_to_del)
      .num("use_liveview", c.use_liveview)
      .num("rec_quality", c.rec_quality)
      .close();
}

std::string record_plan_xml(const NS::RECORD_PLAN& c) {
  XmlWriter w("set");
  w.num("isDel", c.isDel);
  const int n = c.entry_count < 0 ? 0 : (c.entry_count > 96 ? 96 : c.entry_count);
  for (int i = 0; i < n; ++i) {
    const NS::RECORD_PLAN_ENTRY& e = c.entries[i];
    if (c.isDel == 0) w.num("cycle", e.cycle).num("start_hour", e.start_hour).num("end_hour", e.end_hour);
    else w.num("delcycle", e.cycle).num("delhour", e.start_hour).num("delendhour", e.end_hour);
  }
  return w.close();
}

std::string admin_pass_xml(const NS::ADMIN_PASS_CONFIG& c) {
  return XmlWriter("set").text("username", c.username).text("password", c.password).close();
}

std::string ptz_config_xml(const NS::PTZ_CONFIG& c) {
  return XmlWriter("yuntaisetting")
      .num("gm_camera_lock", c.gm_camera_lock)
      .num("gm_loc", c.gm_loc)
      .num("turn_ptz_r_l", c.turn_ptz_r_l)
      .num("turn_ptz_u_d", c.turn_ptz_u_d)
      .num("gm_ptz_speed", c.gm_ptz_speed)
      .num("change_loc", c.change_loc)
      .close();
}

std::string ptz_default_pos_xml(const NS::PTZ_CHANGE& c) {
  return XmlWriter("yuntaisetting")
      .num("isDel", c.isDel)
      .num(c.isDel == 0 ? "resv_idx" : "resv_idx_to_del", c.preset_index)
      .close();
}

// ---- replies ----

std::optional<std::string> ConfigReply::element(std::string_view tag, std::size_t cap, std::size_t from,
                                                std::size_t* after) const {
  std::string open("<");
  open.append(tag).append(">");
  std::string close("</");
  close.append(tag).append(">");
  if (from > text_.size()) return std::nullopt;
  const std::size_t begin = text_.find(open, from);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t value = begin + open.size();
  const std::size_t end = text_.find(close, value);
  if (end == std::string_view::npos) return std::nullopt;
  if (after) *after = end + close.size();
  const std::size_t n = end - value;
  return std::string(text_.substr(value, cap > 0 && n > cap - 1 ? cap - 1 : n));
}

std::string ConfigReply::text(std::string_view tag, std::size_t cap) const {
  return element(tag, cap).value_or(std::string());
}

int ConfigReply::integer(std::string_view tag) const { return std::atoi(text(tag).c_str()); }

std::int64_t ConfigReply::wide(std::string_view tag) const {
  return std::strtoll(text(tag).c_str(), nullptr, 10);
}

std::uint32_t ConfigReply::address(std::string_view tag) const { return inet_address(text(tag).c_str()); }

void ConfigReply::copy(std::string_view tag, char* field, std::size_t width) const {
  std::memset(field, 0, width);
  const std::string v = text(tag);
  std::memcpy(field, v.data(), v.size() < width ? v.size() : width - 1);
}

void parse_eth_config(const ConfigReply& r, NS::ETH_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->ip = r.address("ip");
  c->netmask = r.address("netmask");
  c->gateway = r.address("gateway");
  copy_field(r, "mac", c->mac);
  c->dhcp_flag = r.integer("dhcp_flag");
  c->dns = r.address("dns");
}

void parse_wifi_config(const ConfigReply& r, NS::WIFI_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->wifi_flag = r.integer("wifi_flag");
  c->wifi_dhcp = r.integer("wifi_dhcp");
  c->wip = r.address("wip");
  c->wifi_encoding_type = r.integer("wifi_encoding_type");
  copy_field(r, "wifi_encoding_token", c->wifi_encoding_token);
  c->wnetmask = r.address("wnetmask");
  c->wgateway = r.address("wgateway");
  c->wdns = r.address("wdns");
  c->ap_selected_id = r.integer("ap_selected_id");
  const std::string list = r.text("ap_entry_list", 20480);
  const ConfigReply aps(list);
  std::size_t pos = 0;
  while (c->ap_count < 64) {
    const auto entry = aps.element("ap_entry", 20480, pos, &pos);
    if (!entry) break;
    const ConfigReply e(*entry);
    NS::WIFI_AP_ENTRY& ap = c->ap_list[c->ap_count++];
    ap.id = e.integer("id");
    copy_field(e, "ssid", ap.ssid);
    copy_field(e, "key", ap.key);
    ap.auth_type = e.integer("auth_type");
    ap.key_id = e.integer("key_id");
    ap.enc_type = e.integer("enc_type");
  }
}

void parse_g3_config(const ConfigReply& r, NS::_3G_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  copy_field(r, "USB_MODEM_MODEL", c->USB_MODEM_MODEL);
  copy_field(r, "MODE", c->MODE);
  c->NETWORK_MODE = r.integer("NETWORK_MODE");
  copy_field(r, "SERVICE_TYPE", c->SERVICE_TYPE);
  c->PPP_AUTO_CONF = r.integer("PPP_AUTO_CONF");
  static const char* const kPrefix[3] = {"W_", "TD_", "E_"};
  for (int i = 0; i < 3; ++i) {
    const std::string p = kPrefix[i];
    // In order, so a dial number reaching into the next profile is
    // overwritten by that profile's own user name.
    copy_field(r, p + "USERNAME", c->profile[i].user_name);
    copy_field(r, p + "PASSWORD", c->profile[i].password);
    copy_field(r, p + "ACCESS_POINT", c->profile[i].access_point);
    r.copy(p + "PPP_DIAL_NUM", NS::profile_dial_number(*c, i), 64);
  }
}

void parse_service_config(const ConfigReply& r, NS::SERVICE_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->nvs_service = r.integer("nvs_service");
  copy_field(r, "nvs_ip", c->nvs_ip);
  copy_field(r, "bakup_nvs_ip", c->bakup_nvs_ip);
  c->nvs_port = static_cast<std::uint16_t>(r.integer("nvs_port"));
  c->nvt_port_upnp = r.integer("nvt_port_upnp");
  copy_field(r, "device_id", c->device_id);
  copy_field(r, "device_name", c->device_name);
  c->nvs_route = r.integer("nvs_route");
  c->enable_ap = r.integer("enable_ap");
  copy_field(r, "ap_ssid", c->ap_ssid);
  copy_field(r, "ap_key", c->ap_key);
  c->ap_outif = r.integer("ap_outif");
}

void parse_alarm_config(const ConfigReply& r, NS::ALARM_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->external_alarm_enable = r.integer("external_alarm_enable");
  c->gm_motion_detect_flag = r.integer("gm_motion_detect_flag");
  c->md_sensitivity_level = r.integer("md_sensitivity_level");
  c->global_alarm_filter = r.integer("global_alarm_filter");
  c->sound_alarm = r.integer("sound_alarm");
  c->RECORD_FLAG = r.integer("RECORD_FLAG");
  c->RECORD_QUALITY = r.integer("RECORD_QUALITY");
  c->alarm_firewall = r.integer("alarm_firewall");
  copy_field(r, "CALLBACK_PHONE", c->CALLBACK_PHONE);
  copy_field(r, "CALLBACK_PHONE1", c->CALLBACK_PHONE1);
  copy_field(r, "CALLBACK_PHONE2", c->CALLBACK_PHONE2);
  copy_field(r, "CALLBACK_PHONE3", c->CALLBACK_PHONE3);
  copy_field(r, "CALLBACK_PHONE4", c->CALLBACK_PHONE4);
  copy_field(r, "CALLBACK_PHONE5", c->CALLBACK_PHONE5);
  copy_field(r, "SMS_PHONE", c->SMS_PHONE);
  copy_field(r, "SMS_PHONE1", c->SMS_PHONE1);
  copy_field(r, "SMS_PHONE2", c->SMS_PHONE2);
}

void parse_admin_pass(const ConfigReply& r, NS::ADMIN_PASS_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  copy_field(r, "username", c->username);
  copy_field(r, "password", c->password);
}

bool parse_ptz_config(const ConfigReply& r, NS::PTZ_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->gm_camera_lock = r.integer("gm_camera_lock");
  c->turn_ptz_r_l = r.integer("turn_ptz_r_l");
  c->turn_ptz_u_d = r.integer("turn_ptz_u_d");
  c->gm_ptz_speed = r.integer("gm_ptz_speed");
  c->gm_loc = r.integer("gm_loc");
  c->change_loc = 0;
  const std::string set = r.text("ptz_entry_set", 1024);
  if (set.empty()) return false;
  const ConfigReply entries(set);
  std::size_t pos = 0;
  while (const auto entry = entries.element("ptz_entry", 1024, pos, &pos)) {
    const ConfigReply e(*entry);
    const int index = e.integer("resv_idx");
    if (index < 1 || index > 5) continue;
    c->presets[index - 1] = {index, e.integer("resv_x"), e.integer("resv_y")};
    ++c->preset_count;
  }
  return true;
}

void parse_record_config(const ConfigReply& r, NS::RECORD_CONFIG* c) {
  std::memset(c, 0, sizeof *c);
  c->location = r.integer("location");
  c->auto_rec = r.integer("auto_rec");
  c->auto_cover = r.integer("auto_cover");
  c->sec_per_rec = r.integer("sec_per_rec");
  c->freeage_to_del = r.integer("freeage_to_del");
  c->rec_quality = r.integer("rec_quality");
  c->use_liveview = r.integer("use_liveview");
  const std::string set = r.text("rec_entry_set", 8192);
  const ConfigReply entries(set);
  std::size_t pos = 0;
  while (c->entry_count < 96) {
    const auto entry = entries.element("rec_entry", 8192, pos, &pos);
    if (!entry) break;
    const ConfigReply e(*entry);
    c->entries[c->entry_count++] = {e.integer("id"), e.integer("s_hour"), e.integer("e_hour"),
                                    e.integer("video_cycle")};
  }
}

void parse_3g_status(const ConfigReply& r, NS::_3G_STATUS* c) {
  std::memset(c, 0, sizeof *c);
  copy_field(r, "cs_modem_type", c->cs_modem_type);
  c->cs_sim_state = r.integer("cs_sim_state");
  c->cs_3gphonenet_state = r.integer("cs_3gphonenet_state");
  copy_field(r, "cs_network_type", c->cs_network_type);
  c->cs_signal_state = r.integer("cs_signal_state");
  c->cs_signal_value = r.integer("cs_signal_value");
  c->cs_3gnet_state = r.integer("cs_3gnet_state");
  copy_field(r, "cs_base_info", c->cs_base_info);
  c->ppp_usage_cur = r.wide("ppp_usage_cur");
  c->ppp_usage_day = r.wide("ppp_usage_day");
  c->ppp_usage_mon = r.wide("ppp_usage_mon");
}

int parse_config_result(const ConfigReply& r) {
  const auto v = r.element("result");
  return v ? std::atoi(v->c_str()) : -1;
}

}  // namespace kestrune
