// Camera_Module against the camera simulator over loopback: login, heartbeat,
// catalogue, downloads, live media and the engine's lifetime.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camsim.h"
#include "device/camera_module_access.h"
#include "device_test_support.h"
#include "net/log.h"

using namespace devtest;
using NVS_SDK_V160::Camera_Module;

namespace {

const ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new SdkEnvironment);

std::mutex g_log_mu;
std::vector<std::string> g_log;
void capture(const std::string& line) {
  std::lock_guard<std::mutex> g(g_log_mu);
  g_log.push_back(line);
}
int count_logged(const std::string& text) {
  std::lock_guard<std::mutex> g(g_log_mu);
  return static_cast<int>(std::count_if(g_log.begin(), g_log.end(),
                                        [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

class CamsimTest : public ::testing::Test {
protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> g(g_log_mu);
      g_log.clear();
    }
    kestrune::set_log_sink(capture);
  }
  void TearDown() override {
    if (module) {
      module->DisconnectCamera();
      module.reset();
    }
    if (sim) sim->stop();
    kestrune::set_log_sink(nullptr);
  }

  void start_sim(camsim::Config cfg) {
    cfg.verbose = false;
    address = cfg.address;
    sim = std::make_unique<camsim::CameraSimulator>(cfg);
    ASSERT_EQ(sim->start(), 0);
  }
  // Port 0: a simulator on the fixed camera port would collide with the same
  // test run at the same time from another build tree. One test below goes
  // through the fixed port.
  camsim::Config config(const char* addr, const char* password = "pass") {
    camsim::Config cfg;
    cfg.address = addr;
    cfg.port = 0;
    cfg.password = password;
    return cfg;
  }

  int start_connect(const char* password) {
    unsigned char pw[16];
    password_block(password, pw);
    if (sim->port() == 9996) return module->ConnectLocalCamera(address.c_str(), pw);
    return kestrune::CameraModuleAccess::engine(*module)->connect_local_port(address.c_str(), sim->port(), pw);
  }

  // Connects with the given password and waits for the login's outcome.
  int connect(const char* password = "pass") {
    module = std::make_unique<Camera_Module>();
    module->RegisterMsgHandler(&handler);
    if (start_connect(password) != 0) return -999;
    if (!wait_for([&] { return !handler.get(handler.connect_results).empty(); })) return -998;
    return handler.get(handler.connect_results).front();
  }

  // Downloads one recording in requests of at most 131072 bytes.
  std::vector<char> download(const std::string& name, std::uint32_t size, int& next_id) {
    std::vector<char> file(size);
    char cname[32] = {};
    name.copy(cname, 31);
    for (std::uint32_t offset = 0; offset < size;) {
      const std::uint32_t want = std::min<std::uint32_t>(0x20000, size - offset);
      const int id = next_id++;
      EXPECT_EQ(module->RequestDownLoadRecord(id, cname, offset, want), 0);
      const bool done = wait_for([&] {
        std::lock_guard<std::mutex> g(handler.mu);
        const auto it = handler.blocks.find(static_cast<std::uint32_t>(id));
        return it != handler.blocks.end() && !it->second.empty() && it->second.back().end_flag != 0;
      });
      if (!done) {
        ADD_FAILURE() << "chunk at " << offset << " did not finish";
        return {};
      }
      std::lock_guard<std::mutex> g(handler.mu);
      for (const auto& b : handler.blocks[static_cast<std::uint32_t>(id)]) {
        if (b.offset + b.data.size() > size) {
          ADD_FAILURE() << "block past the end";
          return {};
        }
        std::copy(b.data.begin(), b.data.end(), file.begin() + b.offset);
      }
      offset += want;
    }
    return file;
  }

  std::string address;
  std::unique_ptr<camsim::CameraSimulator> sim;
  std::unique_ptr<Camera_Module> module;
  RecordingHandler handler;
};

std::vector<char> expected_content(const camsim::Recording& rec) {
  const auto bytes = camsim::generated_content(rec);
  return std::vector<char>(bytes.begin(), bytes.end());
}

}  // namespace

TEST_F(CamsimTest, LoginWithChallengeOnTheCameraPort) {
  auto cfg = config("127.0.1.30");
  cfg.port = 9996;
  start_sim(cfg);
  EXPECT_EQ(connect(), 0);
  EXPECT_EQ(module->GetStatus(), 2);
  EXPECT_EQ(sim->stats().logins_ok, 1);
}

TEST_F(CamsimTest, LoginWithoutChallengeAndHeartbeats) {
  auto cfg = config("127.0.1.31");
  cfg.challenge = false;
  start_sim(cfg);
  EXPECT_EQ(connect(), 0);
  EXPECT_EQ(module->GetStatus(), 2);
  // The first heartbeat goes out 2 s after login and is answered.
  EXPECT_TRUE(wait_for([&] { return handler.get(handler.heartbeats) >= 1; }));
  module->DisconnectCamera();
  EXPECT_TRUE(wait_for([&] { return sim->stats().active_connections == 0; }));
  EXPECT_TRUE(handler.get(handler.close_reasons).empty());  // a local close, nothing lost
  EXPECT_EQ(module->GetStatus(), 0);
}

TEST_F(CamsimTest, WrongPasswordIsReportedAndTheModuleCanRetry) {
  start_sim(config("127.0.1.32"));
  EXPECT_EQ(connect("nope"), -8);
  EXPECT_TRUE(wait_for([&] { return module->GetStatus() == 0; }));
  EXPECT_GE(sim->stats().logins_refused, 1);
  EXPECT_EQ(module->RequestCameraRecordInfomation(), -1);
  // The same module logs in once the password is right.
  ASSERT_TRUE(wait_for([&] { return sim->stats().active_connections == 0; }));
  ASSERT_EQ(start_connect("pass"), 0);
  EXPECT_TRUE(wait_for([&] { return module->GetStatus() == 2; }));
}

TEST_F(CamsimTest, LostHeartbeatsAreReportedAtDisconnect) {
  auto cfg = config("127.0.1.33");
  cfg.answer_heartbeats = false;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  // Tick at 2 s sends; the tick at 12 s finds it unanswered.
  ASSERT_TRUE(wait_for([&] { return count_logged("[CameraDriverModule]:Lose Heart Beat..") >= 1; }, 30000));
  EXPECT_EQ(sim->stats().heartbeats, 1);
  module->DisconnectCamera();
  EXPECT_EQ(handler.get(handler.close_reasons), std::vector<int>{-202});
}

TEST_F(CamsimTest, ThousandRecordingsListedInPages) {
  auto cfg = config("127.0.1.34");
  cfg.recordings = camsim::generate_recordings(1000, 1000, 5000, 0.3, 7);
  cfg.list_page_size = 100;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(module->RequestCameraRecordInfomation(), 0);
  ASSERT_TRUE(wait_for([&] { return !handler.get(handler.statistics).empty(); }));
  EXPECT_EQ(handler.get(handler.statistics).front(), 1000);
  ASSERT_EQ(module->RequestCameraRecordList(0, 1000), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.last_pages) == 1; }));
  EXPECT_EQ(handler.get(handler.pages), 10);
  const auto entries = handler.get(handler.entries);
  ASSERT_EQ(entries.size(), 1000u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(std::string(entries[i].file_name), cfg.recordings[i].name);
    EXPECT_EQ(+entries[i].record_key, cfg.recordings[i].key);
    EXPECT_EQ(+entries[i].file_size, cfg.recordings[i].size);
    EXPECT_EQ(+entries[i].record_kind, cfg.recordings[i].kind);
  }
}

TEST_F(CamsimTest, MegabyteRecordingDownloadsByteExact) {
  auto cfg = config("127.0.1.35");
  camsim::Recording rec;
  rec.name = "BIG_00001.avi";
  rec.key = 4711;
  rec.size = 1048576 + 777;  // eight full requests and a short one
  cfg.recordings = {rec};
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(module->RequestCameraRecordList(0, 1), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.last_pages) == 1; }));
  int id = 1;
  EXPECT_TRUE(download(rec.name, rec.size, id) == expected_content(rec));
  const auto seen = sim->stats().downloads;
  ASSERT_EQ(seen.size(), 9u);
  for (const auto& d : seen) {
    EXPECT_EQ(d.key, 4711u);  // looked up in the catalogue
    EXPECT_LE(d.length, 0x20000u);
  }
}

TEST_F(CamsimTest, PauseResumeAndCancel) {
  auto cfg = config("127.0.1.36");
  camsim::Recording rec;
  rec.name = "P.avi";
  rec.key = 5;
  rec.size = 8 * 1024 * 1024;
  cfg.recordings = {rec};
  cfg.block_size = 1024;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(module->RequestCameraRecordList(0, 1), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.last_pages) == 1; }));
  char name[32] = "P.avi";
  ASSERT_EQ(module->RequestDownLoadRecord(1, name, 0, rec.size), 0);
  ASSERT_TRUE(wait_for([&] { return !handler.get(handler.blocks)[1].empty(); }));
  EXPECT_EQ(module->RequestPauseDownLoad(1, name), 0);
  ASSERT_TRUE(wait_for([&] { return sim->stats().pauses == 1; }));
  EXPECT_EQ(module->RequestResumeDownLoad(1, name, 4096, 4096), 0);
  ASSERT_TRUE(wait_for([&] { return sim->stats().resumes == 1; }));
  EXPECT_EQ(module->RequestCancelDownLoad(1, name), 0);
  ASSERT_TRUE(wait_for([&] { return sim->stats().cancels == 1; }));
  // Every block that reached us lies inside the recording and matches it.
  const auto content = expected_content(rec);
  const auto blocks = handler.get(handler.blocks);
  for (const auto& b : blocks.at(1)) {
    ASSERT_LE(b.offset + b.data.size(), content.size());
    EXPECT_TRUE(std::equal(b.data.begin(), b.data.end(), content.begin() + b.offset));
  }
}

TEST_F(CamsimTest, RefusedDownloadDeliversNoData) {
  auto cfg = config("127.0.1.37");
  cfg.recordings = camsim::generate_recordings(2, 1000, 2000, 0, 3);
  cfg.refuse_downloads = {cfg.recordings[0].name};
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(module->RequestCameraRecordList(0, 2), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.last_pages) == 1; }));
  char name[32] = {};
  cfg.recordings[0].name.copy(name, 31);
  ASSERT_EQ(module->RequestDownLoadRecord(9, name, 0, 1000), 0);
  ASSERT_TRUE(wait_for([&] { return !handler.get(handler.download_responses).empty(); }));
  const auto response = handler.get(handler.download_responses).front();
  EXPECT_EQ(response.first, 9u);
  EXPECT_NE(response.second, 0u);
  // A later download of the other recording still works.
  int id = 10;
  EXPECT_TRUE(download(cfg.recordings[1].name, cfg.recordings[1].size, id) == expected_content(cfg.recordings[1]));
  EXPECT_EQ(handler.get(handler.blocks).count(9), 0u);
}

TEST_F(CamsimTest, LiveFramesAreCounted) {
  auto cfg = config("127.0.1.38");
  cfg.video_fps = 25;
  cfg.audio_fps = 25;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(module->RequestVideoData(true), 0);
  EXPECT_EQ(module->RequestAudioData(true), 0);
  ASSERT_TRUE(wait_for([&] {
    return handler.get(handler.video_frames) >= 5 && handler.get(handler.audio_frames) >= 5;
  }));
  EXPECT_GT(module->GetMediaDataByteCount(), 0u);
  EXPECT_EQ(module->RequestVideoData(false), 0);
  EXPECT_EQ(module->RequestAudioData(false), 0);
  ASSERT_TRUE(wait_for([&] { return sim->stats().video_stops == 1 && sim->stats().audio_stops == 1; }));
  EXPECT_EQ(sim->stats().video_starts, 1);  // requested once, within the first 5 s
  module->DisconnectCamera();
  EXPECT_EQ(module->GetMediaDataByteCount(), 0u);  // cleared by the disconnect
}

TEST_F(CamsimTest, MediaByteCountMatchesDeliveredPayload) {
  auto cfg = config("127.0.1.39");
  cfg.video_fps = 30;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  module->RequestVideoData(true);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.video_frames) >= 10; }));
  module->RequestVideoData(false);
  ASSERT_TRUE(wait_for([&] { return sim->stats().video_stops == 1; }));
  // Let frames in flight land, then the counter equals what the handler saw.
  const int sent = sim->stats().video_frames_sent;
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.video_frames) == sent; }));
  EXPECT_EQ(module->GetMediaDataByteCount(), handler.get(handler.media_bytes));
  EXPECT_EQ(module->GetMediaDataByteCount(), 0u);
}

TEST_F(CamsimTest, ModuleDestroyedWhileConnectedLivesUntilTheClose) {
  start_sim(config("127.0.1.40"));
  ASSERT_EQ(connect(), 0);
  module->RequestVideoData(true);
  module.reset();  // still connected: the engine stays for the connection
  EXPECT_TRUE(wait_for([&] { return sim->stats().video_starts >= 1; }));
  EXPECT_EQ(sim->stats().active_connections, 1);
  sim->drop_connections();
  // The close reaches the handler; the engine then frees itself (the leak
  // checker at exit sees whether it did).
  EXPECT_TRUE(wait_for([&] { return !handler.get(handler.close_reasons).empty(); }));
}

TEST_F(CamsimTest, RequestsBeforeLoginAreRefused) {
  Camera_Module m;
  char name[32] = "x.avi";
  char names[1][32] = {"x.avi"};
  NVS_SDK_V160::REC_PLAY_PARAM param = {};
  EXPECT_EQ(m.GetStatus(), 0);
  EXPECT_EQ(m.RequestCameraRecord(10), -1);
  EXPECT_EQ(m.RequestCameraRecordDelay(10), -1);
  EXPECT_EQ(m.RequestStopCameraRecord(), -1);
  EXPECT_EQ(m.RequestCameraRecordInfomation(), -1);
  EXPECT_EQ(m.RequestCameraRecordList(0, 1), -1);
  EXPECT_EQ(m.RequestWarningRecordInfomation(), -1);
  EXPECT_EQ(m.RequestWarningRecordList(0, 1), -1);
  EXPECT_EQ(m.RequestDelCameraFile(1, names), -1);
  EXPECT_EQ(m.RequestDownLoadRecord(1, name, 0, 1), -1);
  EXPECT_EQ(m.RequestPauseDownLoad(1, name), -1);
  EXPECT_EQ(m.RequestResumeDownLoad(1, name, 0, 1), -1);
  EXPECT_EQ(m.RequestCancelDownLoad(1, name), -1);
  EXPECT_EQ(m.RequestRemoteRecordPlay(1, "x.avi", param), -1);
  EXPECT_EQ(m.RequestRemoteRecordPlayCtrl(1, NVS_SDK_V160::VIF_PLAYING_PAUSE, param), -1);
  EXPECT_EQ(m.GetVideoMediaSettings(nullptr), -1);
  EXPECT_EQ(m.SetVideoMediaSettings(NVS_SDK_V160::MEDIA_CONFIG{}), -1);
  EXPECT_EQ(m.Get3GSignalStrength(), -1);
  EXPECT_EQ(m.TurnToDefaultPos(1), -1);
  EXPECT_EQ(m.GetEthernetConfigure(), -1);
  EXPECT_EQ(m.Get3GConfigure(), -1);
  EXPECT_EQ(m.SetPTZConfigure(NVS_SDK_V160::PTZ_CONFIG{}), -1);
  EXPECT_EQ(m.SetWIFIUpdateAp(), -1);
  EXPECT_EQ(count_logged("[CameraDriverModule]: Object Status Error:0"), 10);  // configuration: silent
  // Stream switches are accepted whatever the status; the module is then
  // destroyed without ever connecting and must not leak its timers.
  EXPECT_EQ(m.RequestVideoData(true), 0);
  EXPECT_EQ(m.RequestAudioData(true), 0);
}

TEST_F(CamsimTest, RequestsRaceWithArrivingPagesAndResponses) {
  // The caller's thread looks names up and changes the download table while
  // the reactor thread stores list pages and download responses; the thread
  // checker sees whether the tables are guarded.
  auto cfg = config("127.0.1.41");
  cfg.recordings = camsim::generate_recordings(1000, 100, 200, 0, 11);
  cfg.list_page_size = 20;
  start_sim(cfg);
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(module->RequestCameraRecordList(0, 1000), 0);
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.pages) >= 1; }));
  char first[32] = {};
  cfg.recordings[0].name.copy(first, 31);
  char absent[1][32] = {"absent.avi"};
  int id = 1;
  while (handler.get(handler.last_pages) == 0 && id < 5000) {
    EXPECT_EQ(module->RequestDelCameraFile(1, absent), 0);
    EXPECT_EQ(module->RequestDownLoadRecord(id, first, 0, 10), 0);
    EXPECT_EQ(module->RequestCancelDownLoad(id, first), 0);
    ++id;
    // Paced so the send queue (drained once per reactor pass) never fills.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(wait_for([&] { return handler.get(handler.last_pages) == 1; }));
  EXPECT_EQ(handler.get(handler.entries).size(), 1000u);
  EXPECT_TRUE(wait_for([&] { return handler.get(handler.download_responses).size() == static_cast<std::size_t>(id - 1); }));
  EXPECT_EQ(sim->stats().protocol_errors, 0);
}
