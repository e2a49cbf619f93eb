// The camera operations the synchroniser does not use (settings pages,
// pan-tilt head, talk-back, video settings, signal report), each carried to
// the simulated camera and answered.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "camsim.h"
#include "device/camera_module_access.h"
#include "device_test_support.h"

using namespace devtest;
using NVS_SDK_V160::Camera_Module;

namespace {

const ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new SdkEnvironment);

// Keeps a copy of every settings record the library hands over.
class SettingsHandler : public RecordingHandler {
public:
  void OnEthernetConfigure(const NVS_SDK_V160::ETH_CONFIG* c) override { keep(eth, c); }
  void OnWIFIConfigure(const NVS_SDK_V160::WIFI_CONFIG* c) override { keep(wifi, c); }
  void On3GConfigure(const NVS_SDK_V160::_3G_CONFIG* c) override { keep(g3, c); }
  void On3GStatus(const NVS_SDK_V160::_3G_STATUS* c) override { keep(g3_status, c); }
  void OnServiceConfigure(const NVS_SDK_V160::SERVICE_CONFIG* c) override { keep(service, c); }
  void OnAlarmConfigure(const NVS_SDK_V160::ALARM_CONFIG* c) override { keep(alarm, c); }
  void OnAdminPassConfigure(const NVS_SDK_V160::ADMIN_PASS_CONFIG* c) override { keep(admin, c); }
  void OnRecordConfigure(const NVS_SDK_V160::RECORD_CONFIG* c) override { keep(record, c); }
  void OnPTZConfigure(const NVS_SDK_V160::PTZ_CONFIG* c) override {
    keep(ptz, c);
    RecordingHandler::OnPTZConfigure(c);
  }
  void On3GSignalStrength(const char* body) override {
    std::lock_guard<std::mutex> g(mu);
    std::memcpy(&signal, body, sizeof signal);
  }

  template <class T>
  bool has(const std::unique_ptr<T>& p) {
    std::lock_guard<std::mutex> g(mu);
    return p != nullptr;
  }

  std::unique_ptr<NVS_SDK_V160::ETH_CONFIG> eth;
  std::unique_ptr<NVS_SDK_V160::WIFI_CONFIG> wifi;
  std::unique_ptr<NVS_SDK_V160::_3G_CONFIG> g3;
  std::unique_ptr<NVS_SDK_V160::_3G_STATUS> g3_status;
  std::unique_ptr<NVS_SDK_V160::SERVICE_CONFIG> service;
  std::unique_ptr<NVS_SDK_V160::ALARM_CONFIG> alarm;
  std::unique_ptr<NVS_SDK_V160::ADMIN_PASS_CONFIG> admin;
  std::unique_ptr<NVS_SDK_V160::RECORD_CONFIG> record;
  std::unique_ptr<NVS_SDK_V160::PTZ_CONFIG> ptz;
  int signal = -1;

private:
  template <class T>
  void keep(std::unique_ptr<T>& slot, const T* c) {
    std::lock_guard<std::mutex> g(mu);
    slot = std::make_unique<T>(*c);
  }
};

class CamsimOperations : public ::testing::Test {
protected:
  void SetUp() override {
    camsim::Config cfg;
    cfg.address = "127.0.1.60";
    cfg.port = 0;
    cfg.password = "pass";
    cfg.verbose = false;
    sim = std::make_unique<camsim::CameraSimulator>(cfg);
    ASSERT_EQ(sim->start(), 0);
    module = std::make_unique<Camera_Module>();
    module->RegisterMsgHandler(&handler);
    unsigned char pw[16];
    password_block("pass", pw);
    ASSERT_EQ(kestrune::CameraModuleAccess::engine(*module)->connect_local_port("127.0.1.60", sim->port(), pw), 0);
    ASSERT_TRUE(wait_for([&] { return !handler.get(handler.connect_results).empty(); }));
    ASSERT_EQ(handler.get(handler.connect_results).front(), 0);
  }
  void TearDown() override {
    module->DisconnectCamera();
    module.reset();
    sim->stop();
  }

  std::unique_ptr<camsim::CameraSimulator> sim;
  std::unique_ptr<Camera_Module> module;
  SettingsHandler handler;
};

}  // namespace

TEST_F(CamsimOperations, SettingsPagesAreReadIntoRecords) {
  EXPECT_EQ(module->GetEthernetConfigure(), 0);
  EXPECT_EQ(module->GetWIFIConfigure(), 0);
  EXPECT_EQ(module->Get3GConfigure(), 0);  // the modem page, then its status
  EXPECT_EQ(module->GetServiceConfigure(), 0);
  EXPECT_EQ(module->GetAlarmConfigure(), 0);
  EXPECT_EQ(module->GetAdminPassConfigure(), 0);
  EXPECT_EQ(module->GetRecordConfigure(), 0);
  EXPECT_EQ(module->Get3GStatus(), 0);
  EXPECT_EQ(module->GetPTZConfigure(), 0);
  ASSERT_TRUE(wait_for([&] { return handler.has(handler.ptz) && handler.has(handler.record); }));
  EXPECT_EQ(sim->stats().config_reads, (std::vector<int>{1, 5, 9, 49, 17, 25, 33, 45, 49, 41}));

  std::lock_guard<std::mutex> g(handler.mu);
  ASSERT_TRUE(handler.eth && handler.wifi && handler.g3 && handler.g3_status && handler.service &&
              handler.alarm && handler.admin);
  EXPECT_EQ(+handler.eth->ip, inet_addr("127.0.0.1"));
  EXPECT_STREQ(handler.eth->mac, "00:11:22:33:44:55");
  EXPECT_EQ(+handler.wifi->ap_count, 2);
  EXPECT_STREQ(handler.wifi->ap_list[1].ssid, "garden");
  EXPECT_STREQ(handler.wifi->ap_list[1].key, "secret");
  EXPECT_STREQ(handler.g3->USB_MODEM_MODEL, "SIM-3G");
  EXPECT_STREQ(handler.g3->profile[1].user_name, "tduser");
  EXPECT_EQ(+handler.g3_status->cs_signal_value, 17);
  EXPECT_EQ(+handler.g3_status->ppp_usage_mon, 123456789012LL);
  EXPECT_EQ(+handler.service->nvs_port, 1701);
  EXPECT_STREQ(handler.service->device_name, "simulated camera");
  EXPECT_EQ(+handler.alarm->md_sensitivity_level, 3);
  EXPECT_STREQ(handler.alarm->SMS_PHONE, "5550100");
  EXPECT_STREQ(handler.admin->username, "admin");
  EXPECT_EQ(+handler.record->sec_per_rec, 300);
  ASSERT_EQ(handler.record->entry_count, 1);
  EXPECT_EQ(+handler.record->entries[0].e_hour, 18);
  EXPECT_EQ(+handler.ptz->gm_ptz_speed, 4);
  EXPECT_EQ(+handler.ptz->preset_count, 1);
  EXPECT_EQ(sim->stats().protocol_errors, 0);
}

TEST_F(CamsimOperations, SettingsWritesAreAcknowledgedAndPresetsReachTheHead) {
  NVS_SDK_V160::ETH_CONFIG eth = {};
  eth.dhcp_flag = 1;
  eth.ip = inet_addr("192.168.1.10");
  EXPECT_EQ(module->SetEthernetConfigure(eth), 0);
  EXPECT_EQ(module->SetWIFIConfigure(NVS_SDK_V160::WIFI_CONFIG{}), 0);
  EXPECT_EQ(module->SetWIFIUpdateAp(), 0);
  EXPECT_EQ(module->SetServiceConfigure(NVS_SDK_V160::SERVICE_CONFIG{}), 0);
  EXPECT_EQ(module->SetAlarmConfigure(NVS_SDK_V160::ALARM_CONFIG{}), 0);
  EXPECT_EQ(module->Set3GConfigure(NVS_SDK_V160::_3G_CONFIG{}), 0);
  EXPECT_EQ(module->SetRecordConfigure(NVS_SDK_V160::RECORD_CONFIG{}), 0);
  EXPECT_EQ(module->UpdateRecordPlan(NVS_SDK_V160::RECORD_PLAN{}), 0);
  EXPECT_EQ(module->SetAdminPassConfigure(NVS_SDK_V160::ADMIN_PASS_CONFIG{}), 0);
  EXPECT_EQ(module->SetPTZConfigure(NVS_SDK_V160::PTZ_CONFIG{}), 0);
  EXPECT_EQ(module->UpdatePTZDefaultPos(NVS_SDK_V160::PTZ_CHANGE{0, 3}), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.configure_results).size() == 11; }));
  const std::vector<std::pair<int, int>> acks = {{4, 0},  {8, 0},  {8, 0},  {20, 0}, {28, 0}, {12, 0},
                                                 {48, 0}, {48, 0}, {36, 0}, {44, 0}, {44, 0}};
  EXPECT_EQ(handler.get(handler.configure_results), acks);
  const auto writes = sim->stats().config_writes;
  ASSERT_EQ(writes.size(), 11u);
  EXPECT_NE(writes[0].xml.find("<ip>192.168.1.10</ip>"), std::string::npos);
  EXPECT_NE(writes[10].xml.find("<resv_idx>3</resv_idx>"), std::string::npos);

  // Only presets the camera has listed can be turned to.
  EXPECT_EQ(module->TurnToDefaultPos(2), -1);
  EXPECT_EQ(module->GetPTZConfigure(), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.ptz_configs) == 1; }));
  EXPECT_EQ(module->TurnToDefaultPos(2), 0);
  EXPECT_EQ(module->TurnToDefaultPos(1), -1);
  ASSERT_TRUE(wait_for([&] { return sim->stats().presets.size() == 1; }));
  const camsim::PresetRequestSeen p = sim->stats().presets[0];
  EXPECT_EQ(p.index, 2u);
  EXPECT_EQ(p.x, 120);
  EXPECT_EQ(p.y, 40);
  EXPECT_EQ(sim->stats().protocol_errors, 0);
}

TEST_F(CamsimOperations, HeadTalkVideoSettingsAndSignal) {
  for (int command : {51, 52, 53, 54, 69, 70}) EXPECT_EQ(module->CameraPTZCommand(command), 0) << command;
  EXPECT_EQ(module->CameraPTZCommand(60), -1);
  EXPECT_EQ(module->RequestSpeak(true), 0);
  unsigned char pcm[320] = {};
  EXPECT_EQ(module->SendAudioData(pcm, sizeof pcm, 0), 20 + 320);
  EXPECT_EQ(module->RequestSpeak(false), 0);
  EXPECT_EQ(module->GetVideoMediaSettings(nullptr), 0);
  EXPECT_EQ(module->Get3GSignalStrength(), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.video_settings) == 1 && handler.get(handler.signal) == 23; }));

  NVS_SDK_V160::MEDIA_CONFIG media;
  EXPECT_EQ(module->GetVideoMediaSettings(&media), 0);
  EXPECT_EQ(media.value[0], 288);  // the simulated camera's 352 x 288 at 25 frames
  EXPECT_EQ(media.value[2], 352);
  EXPECT_EQ(media.value[4], 25);
  media.value[4] = 10;
  EXPECT_EQ(module->SetVideoMediaSettings(media), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.video_settings) == 2; }));
  EXPECT_EQ(module->GetVideoMediaSettings(&media), 0);
  EXPECT_EQ(media.value[4], 10);

  ASSERT_TRUE(wait_for([&] { return sim->stats().ptz_frames.size() == 6; }));
  const camsim::Stats s = sim->stats();
  using F = std::array<std::uint8_t, 7>;
  const std::vector<F> frames = {
      {0xFF, 1, 0x00, 0x08, 0x30, 0x30, 0x69}, {0xFF, 1, 0x00, 0x10, 0x30, 0x30, 0x71},
      {0xFF, 1, 0x00, 0x04, 0x30, 0x30, 0x65}, {0xFF, 1, 0x00, 0x02, 0x30, 0x30, 0x63},
      {0xFF, 1, 0x90, 0x00, 0x00, 0x00, 0x91}, {0xFF, 1, 0x00, 0x00, 0x00, 0x00, 0x01}};
  EXPECT_EQ(s.ptz_frames, frames);
  EXPECT_EQ(s.speak_starts, 1);
  EXPECT_EQ(s.speak_stops, 1);
  EXPECT_EQ(s.talk_frames, 1);
  EXPECT_EQ(s.signal_requests, 1);
  EXPECT_EQ(s.settings_sets, 1);
  EXPECT_EQ(s.protocol_errors, 0);
}
