// Settings pages, the pan-tilt head and the signal report of the simulated
// camera: read requests are answered with the page in force, writes are
// recorded and acknowledged, head frames are recorded as they arrive.
#include "session.h"

#include <cstdio>
#include <cstring>

namespace camsim {

namespace {

using wire::view;

constexpr int kSignalStrength = 23;

}  // namespace

std::string default_settings_page(int read_sub_type) {
  static const char* const kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<set>\r\n";
  std::string body;
  switch (read_sub_type) {
    case 1:
      body = "<ip>127.0.0.1</ip>\r\n<netmask>255.0.0.0</netmask>\r\n<gateway>127.0.0.254</gateway>\r\n"
             "<mac>00:11:22:33:44:55</mac>\r\n<dhcp_flag>0</dhcp_flag>\r\n<dns>127.0.0.53</dns>\r\n";
      break;
    case 5:
      body = "<wifi_flag>1</wifi_flag>\r\n<wifi_dhcp>1</wifi_dhcp>\r\n<ap_selected_id>2</ap_selected_id>\r\n"
             "<ap_entry_list><ap_entry><id>1</id><ssid>attic</ssid><enc_type>0</enc_type></ap_entry>"
             "<ap_entry><id>2</id><ssid>garden</ssid><key>secret</key><enc_type>3</enc_type></ap_entry>"
             "</ap_entry_list>\r\n";
      break;
    case 9:
      body = "<USB_MODEM_MODEL>SIM-3G</USB_MODEM_MODEL>\r\n<MODE>auto</MODE>\r\n<NETWORK_MODE>2</NETWORK_MODE>\r\n"
             "<W_USERNAME>wuser</W_USERNAME>\r\n<TD_USERNAME>tduser</TD_USERNAME>\r\n";
      break;
    case 17:
      body = "<nvs_service>1</nvs_service>\r\n<nvs_ip>127.0.0.1</nvs_ip>\r\n<nvs_port>1701</nvs_port>\r\n"
             "<device_id>camsim</device_id>\r\n<device_name>simulated camera</device_name>\r\n";
      break;
    case 25:
      body = "<external_alarm_enable>1</external_alarm_enable>\r\n<md_sensitivity_level>3</md_sensitivity_level>\r\n"
             "<SMS_PHONE>5550100</SMS_PHONE>\r\n";
      break;
    case 33:
      body = "<username>admin</username>\r\n<password>camsim</password>\r\n";
      break;
    case 41:
      body = "<gm_camera_lock>0</gm_camera_lock>\r\n<gm_ptz_speed>4</gm_ptz_speed>\r\n"
             "<ptz_entry_set><ptz_entry><resv_idx>2</resv_idx><resv_x>120</resv_x><resv_y>40</resv_y>"
             "</ptz_entry></ptz_entry_set>\r\n";
      break;
    case 45:
      body = "<location>1</location>\r\n<auto_rec>1</auto_rec>\r\n<sec_per_rec>300</sec_per_rec>\r\n"
             "<rec_entry_set><rec_entry><id>1</id><s_hour>8</s_hour><e_hour>18</e_hour>"
             "<video_cycle>1</video_cycle></rec_entry></rec_entry_set>\r\n";
      break;
    case 49:
      body = "<cs_modem_type>SIM-3G</cs_modem_type>\r\n<cs_signal_value>17</cs_signal_value>\r\n"
             "<ppp_usage_mon>123456789012</ppp_usage_mon>\r\n";
      break;
    default:
      return {};
  }
  return kHead + body + "</set>";
}

void Session::send_config(uint8_t sub_type, const std::string& xml) {
  auto head = wire::make<wire::ConfigHead>(wire::CONFIG);
  head.h.length = static_cast<uint32_t>(sizeof head + xml.size());
  head.body_length = static_cast<uint32_t>(12 + xml.size());
  head.two = 2;
  head.sub_type = sub_type;
  std::vector<uint8_t> m(sizeof head + xml.size());
  std::memcpy(m.data(), &head, sizeof head);
  std::memcpy(m.data() + sizeof head, xml.data(), xml.size());
  send(m.data(), m.size());
}

void Session::on_config(const uint8_t* msg, uint32_t len) {
  if (len < sizeof(wire::ConfigHead)) {
    sim_.protocol_error("configuration message of %u bytes, expected 18 or more", len);
    return;
  }
  auto h = view<wire::ConfigHead>(msg);
  if (h.body_length != len - 6 || h.two != 2) {
    sim_.protocol_error("malformed configuration message of %u bytes", len);
    return;
  }
  const std::string body(reinterpret_cast<const char*>(msg) + sizeof h, len - sizeof h);
  const int sub = h.sub_type;
  const std::string page = default_settings_page(sub);
  if (!page.empty()) {  // a read request
    if (!body.empty()) sim_.protocol_error("settings read %d with a %zu-byte body", sub, body.size());
    sim_.update_stats([&](Stats& s) { s.config_reads.push_back(sub); });
    std::string current;
    {
      std::lock_guard<std::mutex> lock(sim_.card_mu);
      const auto it = sim_.settings_pages.find(sub);
      current = it != sim_.settings_pages.end() ? it->second : page;
    }
    return send_config(static_cast<uint8_t>(sub + 1), current);
  }
  static const int kWrites[] = {3, 7, 11, 19, 27, 35, 43, 47};
  for (int w : kWrites) {
    if (w != sub) continue;
    if (body.rfind("<?xml", 0) != 0) sim_.protocol_error("settings write %d without an XML text", sub);
    sim_.update_stats([&](Stats& s) { s.config_writes.push_back({sub, body}); });
    return send_config(static_cast<uint8_t>(sub + 1), "<result>0</result>");
  }
  sim_.protocol_error("configuration message with unknown sub-type %d", sub);
}

void Session::on_ptz_serial(const uint8_t* msg, uint32_t len) {
  if (!check_length("pan-tilt frame message", len, 37)) return;
  uint32_t settings[6];
  std::memcpy(settings, msg + 6, sizeof settings);
  static const uint32_t kSerial[6] = {2400, 8, 1, 101, 1, 1};
  if (std::memcmp(settings, kSerial, sizeof settings) != 0)
    sim_.protocol_error("pan-tilt frame with serial settings %u %u %u %u %u %u", settings[0], settings[1],
                        settings[2], settings[3], settings[4], settings[5]);
  std::array<uint8_t, 7> frame;
  std::memcpy(frame.data(), msg + 30, frame.size());
  unsigned sum = 0;
  for (int i = 1; i <= 5; ++i) sum += frame[i];
  if (frame[0] != 0xFF || frame[6] != (sum & 0xFF))
    sim_.protocol_error("pan-tilt frame without sync byte or with a wrong checksum");
  sim_.update_stats([&](Stats& s) { s.ptz_frames.push_back(frame); });
}

void Session::on_signal_strength(uint32_t len) {
  if (!check_length("signal strength request", len, 6)) return;
  sim_.update_stats([](Stats& s) { ++s.signal_requests; });
  struct {
    wire::Header h;
    int32_t value;
  } __attribute__((packed)) reply{{10, wire::SIGNAL_STRENGTH, 0}, kSignalStrength};
  send(&reply, sizeof reply);
}

void Session::on_goto_preset(const uint8_t* msg, uint32_t len) {
  if (!check_length("preset request", len, 18)) return;
  PresetRequestSeen seen;
  std::memcpy(&seen.index, msg + 6, 4);
  std::memcpy(&seen.x, msg + 10, 2);
  std::memcpy(&seen.y, msg + 12, 2);
  sim_.update_stats([&](Stats& s) { s.presets.push_back(seen); });
}

}  // namespace camsim
