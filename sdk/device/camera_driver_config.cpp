// Device configuration requests of the engine and the dispatch of the
// camera's configuration replies to the handler.
#include <cstring>
#include <memory>

#include "device/camera_driver_module.h"
#include "device/config_xml.h"
#include "device/device_messages.h"

namespace kestrune {
namespace NS = NVS_SDK_V160;

int CameraDriverModule::config_get(std::uint8_t sub_type) {
  if (!logged_in(true, MSG_CONFIG)) return -1;
  const std::vector<char> msg = config_message(sub_type);
  return sent(send(msg.data(), static_cast<int>(msg.size())), MSG_CONFIG) ? 0 : -1;
}

int CameraDriverModule::config_set(std::uint8_t sub_type, const std::string& xml) {
  if (!logged_in(true, MSG_CONFIG)) return -1;
  // Header and text go out as one message so nothing can slip in between.
  const std::vector<char> msg = config_message(sub_type, xml);
  return sent(send(msg.data(), static_cast<int>(msg.size())), MSG_CONFIG) ? 0 : -1;
}

int CameraDriverModule::GetEthernetConfigure() { return config_get(CFG_ETH_GET); }
int CameraDriverModule::GetWIFIConfigure() { return config_get(CFG_WIFI_GET); }
int CameraDriverModule::GetServiceConfigure() { return config_get(CFG_SERVICE_GET); }
int CameraDriverModule::GetAlarmConfigure() { return config_get(CFG_ALARM_GET); }
int CameraDriverModule::Get3GStatus() { return config_get(CFG_3G_STATUS_GET); }
int CameraDriverModule::GetRecordConfigure() { return config_get(CFG_RECORD_GET); }
int CameraDriverModule::GetAdminPassConfigure() { return config_get(CFG_ADMIN_GET); }
int CameraDriverModule::GetPTZConfigure() { return config_get(CFG_PTZ_GET); }

int CameraDriverModule::Get3GConfigure() {
  const int r = config_get(CFG_3G_GET);
  return r != 0 ? r : config_get(CFG_3G_STATUS_GET);
}

int CameraDriverModule::SetEthernetConfigure(const NS::ETH_CONFIG& c) {
  return config_set(CFG_ETH_SET, eth_config_xml(c));
}
int CameraDriverModule::SetWIFIConfigure(const NS::WIFI_CONFIG& c) {
  return config_set(CFG_WIFI_SET, wifi_config_xml(c));
}
int CameraDriverModule::SetWIFIUpdateAp() { return config_set(CFG_WIFI_SET, wifi_update_ap_xml()); }
int CameraDriverModule::SetServiceConfigure(const NS::SERVICE_CONFIG& c) {
  return config_set(CFG_SERVICE_SET, service_config_xml(c));
}
int CameraDriverModule::SetAlarmConfigure(const NS::ALARM_CONFIG& c) {
  return config_set(CFG_ALARM_SET, alarm_config_xml(c));
}
int CameraDriverModule::Set3GConfigure(const NS::_3G_CONFIG& c) { return config_set(CFG_3G_SET, g3_config_xml(c)); }
int CameraDriverModule::SetRecordConfigure(const NS::RECORD_CONFIG& c) {
  return config_set(CFG_RECORD_SET, record_config_xml(c));
}
int CameraDriverModule::UpdateRecordPlan(const NS::RECORD_PLAN& p) {
  return config_set(CFG_RECORD_SET, record_plan_xml(p));
}
int CameraDriverModule::SetAdminPassConfigure(const NS::ADMIN_PASS_CONFIG& c) {
  return config_set(CFG_ADMIN_SET, admin_pass_xml(c));
}
int CameraDriverModule::SetPTZConfigure(const NS::PTZ_CONFIG& c) { return config_set(CFG_PTZ_SET, ptz_config_xml(c)); }
int CameraDriverModule::UpdatePTZDefaultPos(const NS::PTZ_CHANGE& c) {
  return config_set(CFG_PTZ_SET, ptz_default_pos_xml(c));
}

void CameraDriverModule::on_config(const char* message, std::uint32_t length) {
  if (length < kConfigHeader || message[10] != 2) return;
  const auto sub_type = static_cast<unsigned char>(message[11]);
  const ConfigReply reply(std::string_view(message + kConfigHeader, length - kConfigHeader));
  auto* h = handler();
  switch (sub_type) {
    case CFG_ETH_GET + 1: {
      NS::ETH_CONFIG c;
      parse_eth_config(reply, &c);
      if (h) h->OnEthernetConfigure(&c);
      break;
    }
    case CFG_WIFI_GET + 1: {
      auto c = std::make_unique<NS::WIFI_CONFIG>();
      parse_wifi_config(reply, c.get());
      if (h) h->OnWIFIConfigure(c.get());
      break;
    }
    case CFG_3G_GET + 1: {
      auto c = std::make_unique<NS::_3G_CONFIG>();
      parse_g3_config(reply, c.get());
      if (h) h->On3GConfigure(c.get());
      break;
    }
    case CFG_SERVICE_GET + 1: {
      NS::SERVICE_CONFIG c;
      parse_service_config(reply, &c);
      if (h) h->OnServiceConfigure(&c);
      break;
    }
    case CFG_ALARM_GET + 1: {
      NS::ALARM_CONFIG c;
      parse_alarm_config(reply, &c);
      if (h) h->OnAlarmConfigure(&c);
      break;
    }
    case CFG_ADMIN_GET + 1: {
      NS::ADMIN_PASS_CONFIG c;
      parse_admin_pass(reply, &c);
      if (h) h->OnAdminPassConfigure(&c);
      break;
    }
    case CFG_PTZ_GET + 1: {
      NS::PTZ_CONFIG c;
      if (parse_ptz_config(reply, &c)) {
        // A reply that lists presets replaces the table TurnToDefaultPos uses.
        std::lock_guard<std::mutex> g(lock_);
        for (int i = 0; i < 5; ++i) {
          presets_[i] = {static_cast<std::uint32_t>(c.presets[i].index), static_cast<std::uint16_t>(c.presets[i].x),
                         static_cast<std::uint16_t>(c.presets[i].y)};
        }
      }
      if (h) h->OnPTZConfigure(&c);
      break;
    }
    case CFG_RECORD_GET + 1: {
      NS::RECORD_CONFIG c;
      parse_record_config(reply, &c);
      if (h) h->OnRecordConfigure(&c);
      break;
    }
    case CFG_3G_STATUS_GET + 1: {
      NS::_3G_STATUS c;
      parse_3g_status(reply, &c);
      if (h) h->On3GStatus(&c);
      break;
    }
    case 4: case 8: case 12: case 20: case 28: case 32: case 36: case 44: case 48: {
      const int result[2] = {sub_type, parse_config_result(reply)};
      if (h) h->OnConfigureResult(result);
      break;
    }
    default: break;
  }
}

}  // namespace kestrune
