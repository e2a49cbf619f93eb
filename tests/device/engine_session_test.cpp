// The device engine against a raw loopback peer that plays the camera byte
// by byte: login exchange, status gating, what each request puts on the wire
// and how replies drive the tables.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "device/camera_driver_module.h"
#include "device/config_xml.h"
#include "nvs_records.h"
#include "server/vifs_protocol.h"
#include "device/device_messages.h"
#include "device_test_support.h"
#include "net/log.h"

using namespace kestrune;
using namespace devtest;
using Bytes = std::vector<unsigned char>;

namespace {

std::mutex g_log_mu;
std::vector<std::string> g_log;
void capture(const std::string& line) {
  std::lock_guard<std::mutex> g(g_log_mu);
  g_log.push_back(line);
}
bool logged(const std::string& text) {
  std::lock_guard<std::mutex> g(g_log_mu);
  for (const auto& l : g_log)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

const ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new SdkEnvironment);

Bytes login_reply(std::uint32_t status, std::uint32_t challenge) {
  Bytes body(64, 0);
  std::memcpy(body.data() + 40, &challenge, 4);  // message offset 46
  std::memcpy(body.data() + 44, &status, 4);     // message offset 50
  return message(MSG_LOGIN, body);
}

Bytes entry(const char* name, std::uint32_t key, std::uint32_t size) {
  Bytes e(48, 0);
  std::memcpy(e.data(), name, std::strlen(name));
  std::memcpy(e.data() + 32, &key, 4);
  std::memcpy(e.data() + 36, &size, 4);
  return e;
}

Bytes list_page(const std::vector<Bytes>& entries, bool last) {
  Bytes body;
  put16(body, static_cast<std::uint16_t>(entries.size()));
  put16(body, last ? 1 : 0);
  for (const auto& e : entries) body.insert(body.end(), e.begin(), e.end());
  return message(MSG_RECORD_LIST, body);
}

Bytes words(std::initializer_list<std::uint32_t> ws) {
  Bytes b;
  for (auto w : ws) put32(b, w);
  return b;
}

Bytes data_block(std::uint32_t transfer, std::uint32_t did, std::uint32_t offset, const Bytes& data, bool last) {
  Bytes body = words({transfer, did, offset, static_cast<std::uint32_t>(data.size())});
  put16(body, last ? 1 : 0);
  put16(body, 0);
  body.insert(body.end(), data.begin(), data.end());
  return message(MSG_DOWNLOAD_DATA, body);
}

Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

template <class T>
Bytes img(const T& msg) {
  const auto* c = reinterpret_cast<const unsigned char*>(&msg);
  return Bytes(c, c + sizeof msg);
}

// One engine connected to one raw peer.
class Session {
public:
  explicit Session(const char* address) : address_(address), peer(address) {
    engine->set_handler(&handler);
    password_block("secret", password);
  }
  ~Session() {
    engine->DisconnectCamera();
    wait_for([&] { return engine->state() == TCPConnection::STATE_IDLE; });
    engine->remove_reference();
  }

  bool connect() {
    return engine->connect_local_port(address(), peer.port(), password) == 0 && peer.accept_client();
  }
  const char* address() { return address_.c_str(); }

  // The next message the library sent, heartbeats skipped.
  Bytes next() {
    for (;;) {
      Bytes m = peer.read_message();
      if (m.size() == 6 && m[4] == MSG_HEART_BEAT) continue;
      return m;
    }
  }

  // Connects and accepts the first login; extra bytes ride behind the reply.
  bool login(const Bytes& behind = {}) {
    if (!connect()) return false;
    if (peer.read_message().size() != 70) return false;
    peer.write(cat(login_reply(0, 0), behind));
    return wait_for([&] { return engine->status() == NVDClient::STATUS_LOGGED_IN; });
  }

  // Sends a statistic request and checks it is the next thing on the wire:
  // everything the test expected not to be sent before it was not sent.
  bool next_is_marker() {
    engine->RequestCameraRecordInfomation();
    return next() == Bytes({6, 0, 0, 0, MSG_RECORD_STATISTIC, 0});
  }

private:
  std::string address_;

public:
  RawPeer peer;
  CameraDriverModule* engine = new CameraDriverModule();
  RecordingHandler handler;
  unsigned char password[16];
};

class EngineSession : public ::testing::Test {
protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> g(g_log_mu);
      g_log.clear();
    }
    set_log_sink(capture);
  }
  void TearDown() override { set_log_sink(nullptr); }
};

}  // namespace

TEST_F(EngineSession, ChallengeLoginAndBytesBehindTheReplyReachTheLoopOnce) {
  Session s("127.0.1.10");
  ASSERT_TRUE(s.connect());
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_CONNECTING);
  const Bytes first = s.peer.read_message();
  ASSERT_EQ(first.size(), 70u);
  LoginMessage m;
  std::memcpy(&m, first.data(), 70);
  EXPECT_EQ(+m.challenge, 0u);
  s.peer.write(login_reply(kLoginChallengeStatus, 4242));

  const Bytes second = s.peer.read_message();
  ASSERT_EQ(second.size(), 70u);
  std::memcpy(&m, second.data(), 70);
  EXPECT_EQ(+m.challenge, 4242u);
  unsigned char want[16];
  login_digest(4242, s.password, want);
  EXPECT_EQ(0, std::memcmp(m.digest, want, 16));
  EXPECT_EQ(+m.status, 0u);

  // Acceptance, a list page and a heartbeat answer in one write.
  s.peer.write(cat(cat(login_reply(0, 4242), list_page({entry("a.avi", 1, 10), entry("b.avi", 2, 20)}, true)),
                   message(MSG_HEART_BEAT)));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.heartbeats) == 1; }));
  EXPECT_EQ(s.handler.get(s.handler.connect_results), std::vector<int>{0});
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_LOGGED_IN);
  EXPECT_EQ(s.handler.get(s.handler.pages), 1);
  EXPECT_EQ(s.handler.get(s.handler.entries).size(), 2u);
  EXPECT_EQ(s.engine->catalogue_size(), 2u);
  // Nothing is replayed later either.
  EXPECT_TRUE(s.next_is_marker());
  EXPECT_EQ(s.handler.get(s.handler.pages), 1);
}

TEST_F(EngineSession, SecondChallengeMeansWrongPassword) {
  Session s("127.0.1.11");
  ASSERT_TRUE(s.connect());
  ASSERT_EQ(s.peer.read_message().size(), 70u);
  s.peer.write(login_reply(kLoginChallengeStatus, 1));
  ASSERT_EQ(s.peer.read_message().size(), 70u);
  s.peer.write(login_reply(kLoginChallengeStatus, 2));
  ASSERT_TRUE(wait_for([&] { return !s.handler.get(s.handler.connect_results).empty(); }));
  EXPECT_EQ(s.handler.get(s.handler.connect_results), std::vector<int>{NVDClient::kPasswordRefused});
  ASSERT_TRUE(wait_for([&] { return s.engine->state() == TCPConnection::STATE_IDLE; }));
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_IDLE);
  EXPECT_TRUE(s.peer.read_n(1, 5000).empty());  // the library closed
  EXPECT_TRUE(s.handler.get(s.handler.close_reasons).empty());  // a local close, heartbeats fine
}

TEST_F(EngineSession, ConnectRefusedIsReportedThenClosed) {
  CameraDriverModule* engine = new CameraDriverModule();
  RecordingHandler handler;
  engine->set_handler(&handler);
  unsigned char pw[16] = {};
  std::uint16_t port;
  {
    RawPeer closed("127.0.1.12");  // take a free port, then free it again
    port = closed.port();
  }
  ASSERT_EQ(engine->connect_local_port("127.0.1.12", port, pw), 0);
  ASSERT_TRUE(wait_for([&] { return !handler.get(handler.close_reasons).empty(); }));
  EXPECT_EQ(handler.get(handler.connect_results), std::vector<int>{ECONNREFUSED});
  EXPECT_EQ(engine->status(), NVDClient::STATUS_IDLE);
  EXPECT_TRUE(wait_for([&] { return engine->reference_count() == 1; }));  // the close released the connect's hold
  engine->remove_reference();
}

TEST_F(EngineSession, DeleteSendsOnlyListedEntries) {
  Session s("127.0.1.13");
  const Bytes listed = entry("keep.avi", 7, 70);
  ASSERT_TRUE(s.login(list_page({listed}, true)));
  ASSERT_TRUE(wait_for([&] { return s.engine->catalogue_size() == 1; }));
  char names[2][32] = {"nothere.avi", "keep.avi"};
  EXPECT_EQ(s.engine->RequestDelCameraFile(2, names), 0);
  EXPECT_EQ(s.next(), cat({58, 0, 0, 0, 96, 0, 1, 0, 0, 0}, listed));
}

TEST_F(EngineSession, DownloadTableRoutesBlocksAndGuardsControls) {
  Session s("127.0.1.14");
  ASSERT_TRUE(s.login(list_page({entry("r.avi", 0x99, 100)}, true)));
  ASSERT_TRUE(wait_for([&] { return s.engine->catalogue_size() == 1; }));
  char name[32] = "r.avi";

  ASSERT_EQ(s.engine->RequestDownLoadRecord(3, name, 0, 100), 0);
  DownloadRequest req;
  Bytes got = s.next();
  ASSERT_EQ(got.size(), sizeof req);
  std::memcpy(&req, got.data(), sizeof req);
  EXPECT_EQ(+req.record_key, 0x99u);
  // The same id again: accepted, nothing sent. Pausing a requested (not yet
  // answered) download: logged, nothing sent.
  EXPECT_EQ(s.engine->RequestDownLoadRecord(3, name, 0, 100), 0);
  EXPECT_EQ(s.engine->RequestPauseDownLoad(3, name), 0);
  EXPECT_TRUE(s.next_is_marker());
  EXPECT_TRUE(logged("[CameraDriverModule]: Error Download status."));
  EXPECT_EQ(s.engine->RequestCancelDownLoad(12345, name), 0);
  EXPECT_TRUE(logged("[CameraDriverModule]: Error Did."));

  // Accepted with transfer id 5; a block of transfer 6 is dropped.
  s.peer.write(message(MSG_DOWNLOAD_RESPONSE, words({5, 3, 0})));
  s.peer.write(data_block(6, 3, 0, Bytes(10, 0xEE), false));
  s.peer.write(data_block(5, 3, 0, Bytes(10, 0xAB), true));
  // A block that claims more bytes than it carries never reaches the app.
  Bytes lying = data_block(5, 3, 10, Bytes(4, 1), false);
  lying[6 + 12] = 200;
  s.peer.write(lying);
  s.peer.write(message(MSG_HEART_BEAT));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.heartbeats) == 1; }));
  auto blocks = s.handler.get(s.handler.blocks);
  ASSERT_EQ(blocks[3].size(), 1u);
  EXPECT_EQ(blocks[3][0].data, std::vector<char>(10, static_cast<char>(0xAB)));
  EXPECT_EQ(s.engine->download_state(3), DownloadTask::TRANSFERRING);

  // Pause, resume and cancel carry the transfer id and the record key.
  ASSERT_EQ(s.engine->RequestPauseDownLoad(3, name), 0);
  EXPECT_EQ(s.next(), img(make_download_control(MSG_DOWNLOAD_PAUSE, 5, 3, "r.avi", 0x99)));
  EXPECT_EQ(s.engine->download_state(3), DownloadTask::PAUSED);
  s.peer.write(data_block(5, 3, 10, Bytes(10, 0xCD), false));  // paused: dropped
  s.peer.write(message(MSG_HEART_BEAT));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.heartbeats) == 2; }));
  ASSERT_EQ(s.engine->RequestResumeDownLoad(3, name, 10, 90), 0);
  const DownloadResume resume = make_download_resume(5, 3, 10, 90, "r.avi", 0x99);
  EXPECT_EQ(s.next(), img(resume));
  ASSERT_EQ(s.engine->RequestCancelDownLoad(3, name), 0);
  EXPECT_EQ(s.next(), img(make_download_control(MSG_DOWNLOAD_CANCEL, 5, 3, "r.avi", 0x99)));
  EXPECT_EQ(s.engine->download_state(3), -1);
  EXPECT_EQ(s.handler.get(s.handler.blocks)[3].size(), 1u);

  // Refused: the task goes to 0, the response still reaches the app.
  ASSERT_EQ(s.engine->RequestDownLoadRecord(4, name, 0, 100), 0);
  s.next();
  s.peer.write(message(MSG_DOWNLOAD_RESPONSE, words({0, 4, 1})));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.download_responses).size() == 2; }));
  EXPECT_EQ(s.engine->download_state(4), DownloadTask::REFUSED_OR_CANCELLED);

  // Disconnect empties catalogue and tasks.
  s.engine->DisconnectCamera();
  EXPECT_EQ(s.engine->catalogue_size(), 0u);
  EXPECT_EQ(s.engine->download_state(4), -1);
}

TEST_F(EngineSession, RecordingControlStates) {
  Session s("127.0.1.15");
  ASSERT_TRUE(s.login());
  EXPECT_EQ(s.engine->RequestStopCameraRecord(), 0);
  EXPECT_EQ(s.engine->RequestCameraRecordDelay(5), -1);
  EXPECT_TRUE(logged("[CameraDriverModule]:  Error Record OP."));
  EXPECT_TRUE(s.next_is_marker());

  ASSERT_EQ(s.engine->RequestCameraRecord(300), 0);
  EXPECT_EQ(s.next().size(), 22u);
  EXPECT_EQ(s.engine->RequestCameraRecord(300), 0);  // already requested: nothing sent
  EXPECT_TRUE(s.next_is_marker());
  s.peer.write(message(MSG_RECORD_START_RESPONSE, words({0x77, 0})));
  ASSERT_TRUE(wait_for([&] { return s.engine->record_state() == 2; }));
  ASSERT_EQ(s.engine->RequestCameraRecordDelay(60), 0);
  EXPECT_EQ(s.next(), img(make_record_delay(0x77, 60)));
  // The end notice of another transaction still ends the recording.
  s.peer.write(message(MSG_RECORD_END_NOTIFY, words({0x78})));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.record_end_notifies) == 1; }));
  EXPECT_EQ(s.engine->record_state(), 0);
  EXPECT_TRUE(logged("[CameraDriverModule] : trans id error. "));
  s.peer.write(message(MSG_RECORD_END_NOTIFY, words({0x78})));
  ASSERT_TRUE(wait_for([&] { return logged("[CameraDriverModule] : Error Notify End Message. "); }));
  EXPECT_EQ(s.handler.get(s.handler.record_end_notifies), 1);
}

TEST_F(EngineSession, MediaTalkSettingsAndPtz) {
  Session s("127.0.1.16");
  ASSERT_TRUE(s.login());

  // Talk audio above one frame's capacity and unknown PTZ commands send nothing.
  std::vector<unsigned char> pcm(1381, 1);
  EXPECT_EQ(s.engine->SendAudioData(pcm.data(), 1381, 9), -1);
  EXPECT_EQ(s.engine->CameraPTZCommand(60), -1);
  NVS_SDK_V160::MEDIA_CONFIG cfg;
  EXPECT_EQ(s.engine->GetVideoMediaSettings(&cfg), 0);
  EXPECT_EQ(cfg.value[0] | cfg.value[1] | cfg.value[2] | cfg.value[3] | cfg.value[4], 0);
  EXPECT_TRUE(s.next_is_marker());

  EXPECT_EQ(s.engine->SendAudioData(pcm.data(), 1380, 9), 1400);
  EXPECT_EQ(s.next().size(), 1400u);
  EXPECT_EQ(s.engine->CameraPTZCommand(70), 0);
  EXPECT_EQ(s.next().size(), 37u);
  EXPECT_EQ(s.engine->RequestSpeak(true), 0);
  EXPECT_EQ(s.next(), Bytes({6, 0, 0, 0, 101, 0}));

  EXPECT_EQ(s.engine->GetVideoMediaSettings(nullptr), 0);
  EXPECT_EQ(s.next().size(), 18u);
  s.peer.write(message(MSG_VIDEO_SETTINGS, {2, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0}));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.video_settings) == 1; }));
  ASSERT_EQ(s.engine->GetVideoMediaSettings(&cfg), 0);
  EXPECT_EQ(cfg.value[0], 8);
  EXPECT_EQ(cfg.value[1], 6);
  EXPECT_EQ(cfg.value[2], 7);
  EXPECT_EQ(cfg.value[3], 9);
  EXPECT_EQ(cfg.value[4], 5);

  // Video frames: counted and delivered, unless an own callback takes them.
  Bytes frame_body(109, 0x11);
  std::fill(frame_body.begin(), frame_body.begin() + 9, 0);
  frame_body[1] = 0x2A;  // value at message offset 7
  s.peer.write(message(MSG_VIDEO_FRAME, frame_body));
  s.peer.write(message(MSG_VIDEO_FRAME, Bytes(9, 0)));  // zero-length payload
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.video_frames) == 2; }));
  EXPECT_EQ(s.engine->GetMediaDataByteCount(), 100u);
  EXPECT_EQ(s.engine->GetMediaDataByteCount(), 0u);
  static std::atomic<int> own_frames{0};
  s.engine->RegOwnVideoFrameFunc([](const char*, int, unsigned int) { ++own_frames; });
  s.peer.write(message(MSG_VIDEO_FRAME_2, frame_body));
  ASSERT_TRUE(wait_for([&] { return own_frames.load() == 1; }));
  EXPECT_EQ(s.engine->GetMediaDataByteCount(), 0u);
  EXPECT_EQ(s.handler.get(s.handler.video_frames), 2);
}

TEST_F(EngineSession, ImpossibleLengthClosesTheConnection) {
  Session s("127.0.1.17");
  ASSERT_TRUE(s.login());
  s.peer.write(Bytes{2, 0, 0, 0, 11, 0, 0, 0});
  ASSERT_TRUE(wait_for([&] { return !s.handler.get(s.handler.close_reasons).empty(); }));
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_IDLE);
  EXPECT_TRUE(logged("[CameraDriverModule]: Bad Message Length:2"));
}

TEST_F(EngineSession, StreamTimersRepeatAndStop) {
  Session s("127.0.1.18");
  ASSERT_TRUE(s.login());
  EXPECT_EQ(s.engine->RequestVideoData(true), 0);
  EXPECT_EQ(s.engine->RequestVideoData(true), 0);  // one timer only
  EXPECT_EQ(s.next(), Bytes({6, 0, 0, 0, MSG_VIDEO_START, 0}));
  EXPECT_EQ(s.next(), Bytes({6, 0, 0, 0, MSG_VIDEO_START, 0}));  // after 5 s
  EXPECT_EQ(s.engine->RequestVideoData(false), 0);
  EXPECT_EQ(s.next(), Bytes({6, 0, 0, 0, MSG_VIDEO_STOP, 0}));
  EXPECT_EQ(s.engine->RequestAudioData(false), 0);  // nothing running: nothing sent
  EXPECT_TRUE(s.next_is_marker());
}

TEST_F(EngineSession, ConfigurationExchangeAndPresets) {
  Session s("127.0.1.19");
  ASSERT_TRUE(s.login());
  EXPECT_EQ(s.engine->GetPTZConfigure(), 0);
  EXPECT_EQ(s.next(), Bytes({18, 0, 0, 0, 8, 0, 12, 0, 0, 0, 2, 41, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.engine->TurnToDefaultPos(2), -1);  // no presets known yet
  EXPECT_EQ(s.engine->TurnToDefaultPos(0), -1);
  EXPECT_EQ(s.engine->TurnToDefaultPos(6), -1);
  EXPECT_TRUE(s.next_is_marker());

  auto reply = [](std::uint8_t sub, const std::string& xml) {
    const std::vector<char> m = config_message(sub, xml);
    return Bytes(m.begin(), m.end());
  };
  s.peer.write(reply(42, "<ptz_entry_set><ptz_entry><resv_idx>2</resv_idx><resv_x>258</resv_x>"
                         "<resv_y>3</resv_y></ptz_entry></ptz_entry_set>"));
  s.peer.write(reply(42, "<ptz_entry_set></ptz_entry_set>"));  // keeps the table
  s.peer.write(reply(44, "<result>0</result>"));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.configure_results).size() == 1; }));
  EXPECT_EQ(s.handler.get(s.handler.ptz_configs), 2);
  EXPECT_EQ(s.handler.get(s.handler.configure_results).front(), std::make_pair(44, 0));
  EXPECT_EQ(s.engine->TurnToDefaultPos(2), 0);
  EXPECT_EQ(s.next(), Bytes({18, 0, 0, 0, 120, 0, 2, 0, 0, 0, 2, 1, 3, 0, 0, 0, 0, 0}));

  // A write goes out as one message: header and text together.
  NVS_SDK_V160::ADMIN_PASS_CONFIG admin = {};
  std::strcpy(admin.username, "admin");
  EXPECT_EQ(s.engine->SetAdminPassConfigure(admin), 0);
  const std::vector<char> want = config_message(35, admin_pass_xml(admin));
  EXPECT_EQ(s.next(), Bytes(want.begin(), want.end()));
}

TEST_F(EngineSession, RelayedAdmissionThenDeviceStream) {
  Session s("127.0.1.20");
  NVS_SDK_V160::BaseUserInfo user;
  user.user_name = std::string(30, 'u');
  user.user_id = 0x01020304;
  s.engine->SetVIFsUserInfo(user);
  unsigned char key[48];
  for (int i = 0; i < 48; ++i) key[i] = static_cast<unsigned char>(i + 1);
  s.engine->SetRelayKey(key);
  ASSERT_EQ(s.engine->connect_remote("127.0.1.20", s.peer.port()), 0);
  EXPECT_EQ(s.engine->connect_remote("127.0.1.20", s.peer.port()), -1);  // busy
  ASSERT_TRUE(s.peer.accept_client());

  const Bytes stamp = s.peer.read_n(94);
  ASSERT_EQ(stamp.size(), 94u);
  EXPECT_EQ(Bytes(stamp.begin() + 18, stamp.begin() + 22), Bytes({4, 3, 2, 1}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stamp.data()) + 22), std::string(23, 'u'));
  EXPECT_EQ(Bytes(stamp.begin() + 46, stamp.end()), Bytes(key, key + 48));

  auto vifs_message = [](std::uint16_t id, std::int32_t a, std::int32_t b) {
    const std::int32_t body[2] = {a, b};
    unsigned char out[18 + 8];
    const int n = vifs::build_message(out, 1, id, body, sizeof body, 1, 0xFFFFFFFFu);
    return Bytes(out, out + n);
  };
  // Another message first (dropped), then the admission split over two
  // writes, the second carrying the camera's first device message.
  s.peer.write(vifs_message(vifs::VIFS_ALIVE, 0, 0));
  const Bytes answer = vifs_message(vifs::VIFS_STAMP_RESPONSE, 0, 77);
  s.peer.write(Bytes(answer.begin(), answer.begin() + 10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  s.peer.write(cat(Bytes(answer.begin() + 10, answer.end()), list_page({entry("r.avi", 1, 1)}, true)));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.pages) == 1; }));
  EXPECT_EQ(s.handler.get(s.handler.connect_results), std::vector<int>{0});
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_LOGGED_IN);
  EXPECT_EQ(s.engine->session_id(), 77);
  EXPECT_TRUE(s.next_is_marker());
  EXPECT_EQ(s.handler.get(s.handler.pages), 1);
}

namespace {

Bytes stamp_answer(std::int32_t result) {
  const std::int32_t body[2] = {result, 0};
  unsigned char out[26];
  const int n = vifs::build_message(out, 1, vifs::VIFS_STAMP_RESPONSE, body, sizeof body, 1, 0xFFFFFFFFu);
  return Bytes(out, out + n);
}

}  // namespace

TEST_F(EngineSession, RelayedAdmissionRefusedNegativeCloses) {
  Session s("127.0.1.21");
  ASSERT_EQ(s.engine->connect_remote("127.0.1.21", s.peer.port()), 0);
  ASSERT_TRUE(s.peer.accept_client());
  ASSERT_EQ(s.peer.read_n(94).size(), 94u);
  s.peer.write(stamp_answer(-5));
  ASSERT_TRUE(wait_for([&] { return s.engine->state() == TCPConnection::STATE_IDLE; }));
  EXPECT_EQ(s.handler.get(s.handler.connect_results), std::vector<int>{-5});
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_IDLE);
}

TEST_F(EngineSession, RelayedAdmissionRefusedPositiveStaysOpenWithHeartbeat) {
  Session s("127.0.1.22");
  ASSERT_EQ(s.engine->connect_remote("127.0.1.22", s.peer.port()), 0);
  ASSERT_TRUE(s.peer.accept_client());
  ASSERT_EQ(s.peer.read_n(94).size(), 94u);
  s.peer.write(stamp_answer(5));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.connect_results).size() == 1; }));
  EXPECT_EQ(s.handler.get(s.handler.connect_results), std::vector<int>{5});
  EXPECT_EQ(s.engine->status(), NVDClient::STATUS_IDLE);
  // The device heartbeat comes 2 s after the answer, on the open connection.
  EXPECT_EQ(s.peer.read_message(), Bytes({6, 0, 0, 0, MSG_HEART_BEAT, 0}));
  EXPECT_EQ(s.engine->state(), TCPConnection::STATE_CONNECTED);
  EXPECT_TRUE(s.handler.get(s.handler.close_reasons).empty());
}

TEST_F(EngineSession, RepliesAreCutToWhatTheMessageCarries) {
  Session s("127.0.1.23");
  // A page announcing three entries but carrying one, behind a complete
  // page that leaves other names in the buffer.
  Bytes lying = list_page({entry("one.avi", 1, 10)}, true);
  lying[6] = 3;
  ASSERT_TRUE(s.login(cat(list_page({entry("x.avi", 2, 1), entry("y.avi", 3, 1)}, false), lying)));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.last_pages) == 1; }));
  const auto entries = s.handler.get(s.handler.entries);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_STREQ(entries[2].file_name, "one.avi");
  EXPECT_EQ(s.engine->catalogue_size(), 3u);

  // A statistic reply without its count is dropped; a whole one arrives.
  Bytes counted = message(MSG_RECORD_STATISTIC, {7, 0});
  s.peer.write(cat(message(MSG_RECORD_STATISTIC), counted));
  ASSERT_TRUE(wait_for([&] { return !s.handler.get(s.handler.statistics).empty(); }));
  EXPECT_EQ(s.handler.get(s.handler.statistics), std::vector<int>{7});

  // An audio frame without payload: its value is read from the message only,
  // never from the bytes of the next one.
  Bytes audio = message(MSG_AUDIO_FRAME, Bytes(14, 0));
  audio[18] = 0x34;
  audio[19] = 0x12;
  s.peer.write(cat(audio, message(MSG_AUDIO_FRAME, Bytes(16, 0xEE))));
  ASSERT_TRUE(wait_for([&] { return s.handler.get(s.handler.media_values).size() == 2; }));
  EXPECT_EQ(s.handler.get(s.handler.media_values)[0], 0x1234u);
}
