// Cameras behind the video server, end to end: SyncController and scheduler
// against nvssim (control and relay on ephemeral ports of one 127.0.2.x
// address per test case) with camsim cameras behind its relay.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

#include "app_test_support.h"
#include "camsim.h"
#include "download_layout.h"
#include "nvssim.h"
#include "relayed_camera_endpoint.h"
#include "sync_controller.h"
#include "window_messages.h"

namespace velmora {
namespace {

using test::read_all;
using test::wait_until;

constexpr const char* kUser = "remote-user";
constexpr const char* kPassword = "server-pw";
constexpr const char* kSerial = "MAIN-SERIAL-01";

struct RemoteCamera {
  std::int32_t id;
  std::vector<camsim::Recording> recordings;
  std::unique_ptr<camsim::CameraSimulator> sim;
  std::unique_ptr<camsim::RelayedCameraEndpoint> endpoint;
};

class Remote : public ::testing::Test {
protected:
  void SetUp() override {
    test::qt_app();
    link_ = dir_.path() + "/link";
    QDir().mkpath(link_);
  }

  void TearDown() override {
    ctl_.reset();
    if (server_) server_->stop();
    for (auto& c : cameras_) {
      c->endpoint->stop();
      c->sim->stop();
    }
    if (stub_.state() != QProcess::NotRunning) {
      stub_.kill();
      stub_.waitForFinished(5000);
    }
  }

  // A camera behind the relay; listed in the account unless `listed` is false.
  void add_camera(std::int32_t id, std::vector<camsim::Recording> recordings, bool listed = true) {
    auto c = std::make_unique<RemoteCamera>();
    c->id = id;
    c->recordings = std::move(recordings);
    camsim::Config cfg;
    cfg.address = address_;
    cfg.port = 0;
    cfg.recordings = c->recordings;
    c->sim = std::make_unique<camsim::CameraSimulator>(cfg);
    ASSERT_EQ(c->sim->start(), 0);
    c->endpoint = std::make_unique<camsim::RelayedCameraEndpoint>(*c->sim);
    ASSERT_TRUE(c->endpoint->start(address_));
    if (listed) {
      nvssim::Camera nc;
      nc.nvt_id = static_cast<std::uint32_t>(id);
      nc.endpoint_address = address_;
      nc.endpoint_port = c->endpoint->port();
      account_.cameras.push_back(nc);
    }
    cameras_.push_back(std::move(c));
  }

  void start(const std::string& address, int concurrency = 4, bool listen_link = false) {
    nvssim::Config cfg;
    cfg.address = address;
    account_.user = kUser;
    account_.password = kPassword;
    account_.group = kSerial;
    account_.user_id = 42;
    cfg.accounts.push_back(account_);
    server_ = std::make_unique<nvssim::Server>(cfg);
    ASSERT_TRUE(server_->start());

    ControllerOptions o;
    o.paths = AppPaths::at(dir_.path().toStdString());
    o.link_dir = link_;
    o.listen_link = listen_link;
    o.periodic_timers = false;
    o.server_port = server_->port();
    ctl_ = std::make_unique<SyncController>(o);
    ASSERT_TRUE(ctl_->start());
    ctl_->scheduler().set_concurrency(concurrency);
    QObject::connect(ctl_.get(), &SyncController::statusChanged, ctl_.get(),
                     [this](int id, int status) { statuses_[id].push_back(status); });
    for (const auto& c : cameras_) {
      CameraRecord r;
      std::string error;
      ASSERT_TRUE(make_remote_record(c->id, address, kUser, kPassword, kSerial, r, error)) << error;
      ctl_->add_or_update(r);
    }
  }

  int last_status(std::int32_t id) {
    auto& s = statuses_[id];
    return s.empty() ? 0 : s.back();
  }
  bool wait_status(std::int32_t id, int status, int timeout_ms = 30000) {
    return wait_until([&] { return last_status(id) == status; }, timeout_ms);
  }
  bool wait_server(const std::function<bool(const nvssim::Counters&)>& pred) {
    return wait_until([&] { return pred(server_->counters()); }, 20000);
  }

  void expect_files(const RemoteCamera& c) {
    const std::string root = ctl_->scheduler().download_root();
    for (const auto& rec : c.recordings) {
      NVS_SDK_V160::RECORD_FILE_ENTRY e{};
      std::strncpy(e.file_name, rec.name.c_str(), sizeof e.file_name - 1);
      e.record_kind = rec.kind;
      RecordingPaths p;
      recording_paths(root, c.id, e, p);
      const auto want = camsim::generated_content(rec);
      EXPECT_EQ(read_all(p.final_path), std::string(want.begin(), want.end())) << p.final_path;
    }
  }

  // Recordings that keep a camera busy for several seconds (chunks of
  // 128 KiB at least 500 ms apart).
  static std::vector<camsim::Recording> slow(std::uint32_t seed) {
    return camsim::generate_recordings(2, 900 * 1024, 1000 * 1024, 0.5, seed);
  }

  QTemporaryDir dir_;
  QString link_;
  std::string address_ = "127.0.0.1";
  nvssim::Account account_;
  std::vector<std::unique_ptr<RemoteCamera>> cameras_;
  std::unique_ptr<nvssim::Server> server_;
  std::unique_ptr<SyncController> ctl_;
  std::map<std::int32_t, std::vector<int>> statuses_;
  QProcess stub_;
  QString stub_output_;
};

TEST_F(Remote, TwoCamerasOfOneSerialShareOneLoginAndDownloadThroughTheRelay) {
  address_ = "127.0.2.70";
  add_camera(701, camsim::generate_recordings(4, 10000, 300000, 0.5, 701));
  add_camera(702, camsim::generate_recordings(3, 10000, 300000, 0.5, 702));
  start(address_);
  ctl_->start_all();
  ASSERT_TRUE(wait_status(701, STATUS_COMPLETE));
  ASSERT_TRUE(wait_status(702, STATUS_COMPLETE));
  for (const auto& c : cameras_) expect_files(*c);

  auto k = server_->counters();
  EXPECT_EQ(k.logins_accepted, 1);
  EXPECT_EQ(k.list_requests, 1);
  EXPECT_EQ(k.relay_key_requests, 2);
  EXPECT_EQ(k.relay_admissions, 2);
  // Both done: the login is given up and the resource is free again.
  EXPECT_TRUE(wait_server([](const nvssim::Counters& c) { return c.logout_notices == 1; }));
  EXPECT_EQ(ctl_->scheduler().server_of(kSerial), nullptr);

  // A second run logs in again and finds nothing more to fetch.
  ctl_->start_all();
  ASSERT_TRUE(wait_until([&] {
    return statuses_[701].size() > 4 && last_status(701) == STATUS_COMPLETE &&
           last_status(702) == STATUS_COMPLETE && server_->counters().logout_notices == 2;
  }));
  EXPECT_EQ(server_->counters().logins_accepted, 2);
}

// With one camera at a time the login is given up after each camera and the
// next camera of the serial logs in again at once, while the old connection
// may still be closing.
TEST_F(Remote, OneAtATimeEachCameraOfTheSerialLogsInAgain) {
  address_ = "127.0.2.78";
  add_camera(781, camsim::generate_recordings(2, 1000, 40000, 0.5, 781));
  add_camera(782, camsim::generate_recordings(2, 1000, 40000, 0.5, 782));
  add_camera(783, camsim::generate_recordings(2, 1000, 40000, 0.5, 783));
  start(address_, /*concurrency=*/1);
  ctl_->start_all();
  for (std::int32_t id : {781, 782, 783}) ASSERT_TRUE(wait_status(id, STATUS_COMPLETE)) << id;
  for (const auto& c : cameras_) expect_files(*c);
  EXPECT_EQ(server_->counters().logins_accepted, 3);
  EXPECT_TRUE(wait_server([](const nvssim::Counters& c) { return c.logout_notices == 3; }));
}

TEST_F(Remote, StoppingOneCameraKeepsTheLoginAndTheLastStopLogsOut) {
  address_ = "127.0.2.71";
  add_camera(711, slow(711));
  add_camera(712, slow(712));
  start(address_);
  ctl_->start_all();
  ASSERT_TRUE(wait_status(711, STATUS_SYNCING));
  ASSERT_TRUE(wait_status(712, STATUS_SYNCING));

  ctl_->stop_camera(711);
  test::pump_for(1000);
  EXPECT_EQ(server_->counters().logout_notices, 0);
  ASSERT_NE(ctl_->scheduler().server_of(kSerial), nullptr);
  EXPECT_TRUE(ctl_->scheduler().server_of(kSerial)->logged_in());

  ctl_->stop_camera(712);
  EXPECT_TRUE(wait_server([](const nvssim::Counters& c) { return c.logout_notices == 1; }));
  EXPECT_EQ(ctl_->scheduler().server_of(kSerial), nullptr);
  EXPECT_EQ(last_status(711), STATUS_USER_STOPPED);
  EXPECT_TRUE(wait_status(712, STATUS_USER_STOPPED));
}

TEST_F(Remote, CameraMissingFromTheAccountTimesOut) {
  address_ = "127.0.2.72";
  add_camera(721, camsim::generate_recordings(1, 1000, 2000, 0.5, 721), /*listed=*/false);
  start(address_);
  ctl_->start_camera(721);
  ASSERT_TRUE(wait_status(721, STATUS_TIMED_OUT));
  // The run's record names the cause, not the time-out it led to.
  ASSERT_NE(ctl_->last_run(721), nullptr);
  EXPECT_EQ(outcome_word(*ctl_->last_run(721)), "camera-not-in-account");
  EXPECT_FALSE(ctl_->last_run(721)->local);
  const auto k = server_->counters();
  EXPECT_EQ(k.logins_accepted, 1);
  EXPECT_EQ(k.relay_key_requests, 0);
  EXPECT_TRUE(wait_server([](const nvssim::Counters& c) { return c.logout_notices == 1; }));
  EXPECT_EQ(ctl_->retry_list().size(), 1u);
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
}

// A refused login leaves the server connection open; the next attempt must
// still be able to log in.
TEST_F(Remote, RefusedLoginTimesOutAndTheNextAttemptLogsIn) {
  address_ = "127.0.2.73";
  add_camera(731, camsim::generate_recordings(2, 1000, 50000, 0.5, 731));
  start(address_);
  server_->refuse_login(1, 7);
  ctl_->start_camera(731);
  ASSERT_TRUE(wait_status(731, STATUS_TIMED_OUT));
  EXPECT_GE(server_->counters().logins_refused, 1);
  ASSERT_NE(ctl_->last_run(731), nullptr);
  EXPECT_EQ(outcome_word(*ctl_->last_run(731)), "server-login-refused");

  server_->refuse_login(0, 0);
  ctl_->start_camera(731);
  ASSERT_TRUE(wait_status(731, STATUS_COMPLETE));
  expect_files(*cameras_[0]);
  EXPECT_EQ(outcome_word(*ctl_->last_run(731)), "complete");
  EXPECT_EQ(ctl_->last_run(731)->fetched, 2);
  EXPECT_EQ(server_->counters().logins_accepted, 1);
}

TEST_F(Remote, SeizeDropsEveryCameraOfTheSerialWith145) {
  address_ = "127.0.2.74";
  add_camera(741, slow(741));
  add_camera(742, slow(742));
  add_camera(743, slow(743));
  start(address_, /*concurrency=*/2);
  ctl_->start_all();
  ASSERT_TRUE(wait_status(741, STATUS_SYNCING));
  ASSERT_TRUE(wait_status(742, STATUS_SYNCING));
  ASSERT_EQ(ctl_->scheduler().state_of(743), 1);  // waiting behind the limit

  server_->send_seize_notice();
  for (std::int32_t id : {741, 742, 743}) EXPECT_TRUE(wait_status(id, STATUS_LIVE_ELSEWHERE)) << id;
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
  EXPECT_TRUE(ctl_->scheduler().waiting().empty());
  EXPECT_EQ(ctl_->scheduler().server_of(kSerial), nullptr);
  EXPECT_EQ(ctl_->retry_list().size(), 3u);
  test::pump_for(500);
  for (std::int32_t id : {741, 742, 743}) EXPECT_EQ(last_status(id), STATUS_LIVE_ELSEWHERE);
}

class RemoteWithSibling : public Remote {
protected:
  bool start_stub(const char* handover) {
    QObject::connect(&stub_, &QProcess::readyReadStandardOutput,
                     [this] { stub_output_ += stub_.readAllStandardOutput(); });
    stub_.start(ORLAVIEW_STUB,
                {"--dir", link_, "listen", "--timeout", "60", "--handover", handover});
    return wait_until([&] { return stub_output_.contains("READY"); }, 20000);
  }
  // "COPYDATA 12 <size> <hex of id/serial>"
  static QString request_line(std::int32_t id) {
    const QByteArray text = QByteArray::number(id) + '/' + kSerial;
    return QString("COPYDATA 12 %1 %2").arg(text.size()).arg(QString::fromLatin1(text.toHex()));
  }
};

TEST_F(RemoteWithSibling, SiblingLetsUsLogIn) {
  address_ = "127.0.2.75";
  add_camera(751, camsim::generate_recordings(2, 1000, 60000, 0.5, 751));
  ASSERT_TRUE(start_stub("1"));
  start(address_, 4, /*listen_link=*/true);
  ctl_->start_camera(751);
  ASSERT_TRUE(wait_status(751, STATUS_COMPLETE));
  expect_files(*cameras_[0]);
  EXPECT_TRUE(stub_output_.contains(request_line(751))) << stub_output_.toStdString();
  EXPECT_EQ(server_->counters().logins_accepted, 1);
}

TEST_F(RemoteWithSibling, SiblingHoldingTheServerDropsTheCameras) {
  address_ = "127.0.2.76";
  add_camera(761, slow(761));
  add_camera(762, slow(762));
  ASSERT_TRUE(start_stub("0"));
  start(address_, 4, /*listen_link=*/true);
  ctl_->start_all();
  EXPECT_TRUE(wait_status(761, STATUS_LIVE_ELSEWHERE));
  EXPECT_TRUE(wait_status(762, STATUS_LIVE_ELSEWHERE));
  EXPECT_TRUE(stub_output_.contains(request_line(761))) << stub_output_.toStdString();
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
  EXPECT_EQ(ctl_->scheduler().server_of(kSerial), nullptr);
  EXPECT_EQ(server_->counters().control_connections, 0);
}

}  // namespace
}  // namespace velmora
