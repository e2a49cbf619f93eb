// The velmora program from the outside: camera list commands, the single
// instance, --headless --once outcomes and a clean stop on SIGTERM.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDirIterator>

#include "app_test_support.h"
#include "camsim.h"
#include "instance_lock.h"
#include "nvssim.h"
#include "relayed_camera_endpoint.h"

namespace velmora {
namespace {

using test::wait_until;

class Program : public ::testing::Test {
protected:
  void SetUp() override {
    test::qt_app();
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("XDG_DATA_HOME", data_.path());
    env_.insert("XDG_RUNTIME_DIR", run_.path());
  }

  using Result = test::ProgramResult;

  Result run(const QStringList& args, int timeout_ms = 60000) {
    return test::run_program(VELMORA_BIN, env_, args, timeout_ms);
  }

  std::unique_ptr<camsim::CameraSimulator> sim(const char* address, camsim::Config cfg = {}) {
    cfg.address = address;
    cfg.port = 9996;
    cfg.password = "pw";
    auto s = std::make_unique<camsim::CameraSimulator>(cfg);
    EXPECT_EQ(s->start(), 0);
    return s;
  }

  QTemporaryDir data_, run_;
  QProcessEnvironment env_;
};

TEST_F(Program, CameraCommandsEditTheListAndRefuseBadInput) {
  EXPECT_EQ(run({"cameras", "add-local", "12", "127.0.2.60", "pw"}).code, 0);
  EXPECT_EQ(run({"cameras", "add-local", "11", "127.0.2.61", "pw"}).code, 0);
  Result list = run({"cameras", "list"});
  EXPECT_EQ(list.code, 0);
  EXPECT_LT(list.out.indexOf("127.0.2.61"), list.out.indexOf("127.0.2.60"));  // ascending id

  Result bad_ip = run({"cameras", "add-local", "13", "127.0.2", "pw"});
  EXPECT_EQ(bad_ip.code, 2);
  EXPECT_TRUE(bad_ip.err.contains("IPv4")) << bad_ip.err.toStdString();
  Result long_pw = run({"cameras", "add-local", "13", "127.0.2.62", "0123456789abcdef"});
  EXPECT_EQ(long_pw.code, 2);
  EXPECT_TRUE(long_pw.err.contains("15 bytes")) << long_pw.err.toStdString();
  EXPECT_EQ(run({"cameras", "add-local", "x1", "127.0.2.62", "pw"}).code, 2);
  EXPECT_EQ(run({"cameras", "remove", "99"}).code, 1);
  EXPECT_EQ(run({"cameras", "remove", "12"}).code, 0);
  EXPECT_EQ(test::read_all(data_.path().toStdString() +
                           "/OV/data/RecordAutoSynchronizationInfos.dat").size(), 147u);
  EXPECT_EQ(run({"--bogus"}).code, 2);
  Result help = run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.contains("--headless"));
}

TEST_F(Program, PacingSettingIsShownAndSet) {
  Result shown = run({"settings", "pacing"});
  EXPECT_EQ(shown.code, 0);
  EXPECT_TRUE(shown.out.contains("pacing        500 ms")) << shown.out.toStdString();
  EXPECT_EQ(run({"settings", "pacing", "0"}).code, 0);
  EXPECT_TRUE(run({"settings"}).out.contains("pacing        0 ms"));
  EXPECT_EQ(run({"settings", "pacing", "-1"}).code, 2);
  EXPECT_EQ(run({"settings", "pacing", "60001"}).code, 2);
  EXPECT_TRUE(run({"settings", "pacing"}).out.contains("pacing        0 ms"));
}

TEST_F(Program, SettingsCommandWritesWhatTheEngineReads) {
  EXPECT_EQ(run({"settings", "interval", "0"}).code, 0);
  EXPECT_EQ(run({"settings", "concurrency", "2"}).code, 0);
  EXPECT_EQ(run({"settings", "concurrency", "6"}).code, 2);
  EXPECT_EQ(run({"settings", "interval", "9"}).code, 2);
  Result r = run({"settings"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.contains("interval      0 (off)")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("concurrency   2")) << r.out.toStdString();
  // The headless mode picks the interval up.
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.66", "pw"}).code, 0);
  QProcess p;
  p.setProcessEnvironment(env_);
  p.start(VELMORA_BIN, {"--headless"});
  ASSERT_TRUE(p.waitForStarted());
  QString out;
  ASSERT_TRUE(wait_until([&] {
    out += QString::fromUtf8(p.readAllStandardOutput());
    return out.contains("Automatic synchronisation is off");
  })) << out.toStdString();
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(Program, SecondInstanceExitsAtOnce) {
  InstanceLock lock;
  ASSERT_TRUE(lock.acquire(run_.path().toStdString()));
  InstanceLock again;
  EXPECT_FALSE(again.acquire(run_.path().toStdString()));
  for (const QStringList& args : {QStringList{"cameras", "list"},
                                  QStringList{"--headless", "--once"}}) {
    Result r = run(args, 20000);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains("another Velmora instance"));
  }
  lock.release();
  EXPECT_EQ(run({"cameras", "list"}).code, 0);
}

TEST_F(Program, OnceReportsEachCameraAndFailsUnlessAllComplete) {
  camsim::Config good_cfg;
  good_cfg.recordings = camsim::generate_recordings(2, 1000, 150000, 0.5, 3);
  auto good = sim("127.0.2.63", good_cfg);
  camsim::Config bad_cfg;
  auto bad = sim("127.0.2.64", bad_cfg);
  ASSERT_EQ(run({"cameras", "add-local", "630", "127.0.2.63", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "640", "127.0.2.64", "wrong"}).code, 0);

  Result r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 1) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("camera 630 (127.0.2.63): complete, 2/2 recordings")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("camera 640 (127.0.2.64): wrong password")) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("[CameraDriverModule]"));  // library lines kept off the display

  ASSERT_EQ(run({"cameras", "remove", "640"}).code, 0);
  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString();
  // Everything is on disk already: nothing left to fetch.
  EXPECT_TRUE(r.out.contains("camera 630 (127.0.2.63): complete, 0/0 recordings"))
      << r.out.toStdString();
}

// The program reaches servers on port 1701, so the server simulator gets an
// address of its own.
TEST_F(Program, AddRemoteRefusesOversizedFieldsAndOnceSyncsThroughTheServer) {
  const QString too_long_user(50, QChar('u'));
  Result r = run({"cameras", "add-remote", "770", "127.0.2.77", too_long_user, "pw", "SER"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("user name is 50 bytes long; it has at most 49")) << r.err.toStdString();
  r = run({"cameras", "add-remote", "770", "127.0.2.77", "u", QString(20, QChar('p')), "SER"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("password is 20 bytes long; it has at most 19")) << r.err.toStdString();
  r = run({"cameras", "add-remote", "770", "127.0.2.77", "u", "pw", QString(32, QChar('s'))});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("at most 31")) << r.err.toStdString();
  r = run({"cameras", "add-remote", "770", "server.example", "u", "pw", "SER"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("IPv4")) << r.err.toStdString();
  EXPECT_EQ(run({"cameras", "add-remote", "770", "127.0.2.77", "u", "pw"}).code, 2);

  camsim::Config ccfg;
  ccfg.address = "127.0.2.77";
  ccfg.port = 0;
  ccfg.recordings = camsim::generate_recordings(3, 1000, 200000, 0.5, 77);
  camsim::CameraSimulator cam(ccfg);
  ASSERT_EQ(cam.start(), 0);
  camsim::RelayedCameraEndpoint endpoint(cam);
  ASSERT_TRUE(endpoint.start("127.0.2.77"));
  nvssim::Config scfg;
  scfg.address = "127.0.2.77";
  scfg.port = 1701;
  nvssim::Account account;
  account.user = QString(49, QChar('u')).toStdString();  // the longest a record holds
  account.password = "server-pw";
  account.group = "SER-77";
  nvssim::Camera nc;
  nc.nvt_id = 770;
  nc.endpoint_address = "127.0.2.77";
  nc.endpoint_port = endpoint.port();
  account.cameras.push_back(nc);
  scfg.accounts.push_back(account);
  nvssim::Server server(scfg);
  ASSERT_TRUE(server.start());

  ASSERT_EQ(run({"cameras", "add-remote", "770", "127.0.2.77",
                 QString::fromStdString(account.user), "server-pw", "SER-77"}).code, 0);
  Result list = run({"cameras", "list"});
  EXPECT_TRUE(list.out.contains("remote")) << list.out.toStdString();
  EXPECT_TRUE(list.out.contains("SER-77 via 127.0.2.77")) << list.out.toStdString();
  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("complete, 3/3 recordings")) << r.out.toStdString();
  EXPECT_EQ(server.counters().logins_accepted, 1);
  EXPECT_EQ(server.counters().relay_admissions, 1);
  endpoint.stop();
  server.stop();
  cam.stop();
}

TEST_F(Program, HeadlessStopsCleanlyOnSigterm) {
  camsim::Config silent;
  silent.answer_login = false;
  auto cam = sim("127.0.2.65", silent);
  ASSERT_EQ(run({"cameras", "add-local", "650", "127.0.2.65", "pw"}).code, 0);

  QProcess p;
  p.setProcessEnvironment(env_);
  QString out;
  QObject::connect(&p, &QProcess::readyReadStandardOutput,
                   [&] { out += QString::fromUtf8(p.readAllStandardOutput()); });
  p.start(VELMORA_BIN, {"--headless", "--now"});
  ASSERT_TRUE(wait_until([&] { return out.contains("connecting"); })) << out.toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(wait_until([&] { return p.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  // Settings are written at a clean exit.
  EXPECT_TRUE(QFile::exists(data_.path() + "/OV/QTX/Settings.xml"));
  EXPECT_TRUE(out.contains("stopping all cameras")) << out.toStdString();
}

TEST_F(Program, AFifoInPlaceOfTheCameraListIsRefusedNotWaitedOn) {
  const QString data = data_.path() + "/OV/data";
  ASSERT_TRUE(QDir().mkpath(data));
  ASSERT_EQ(::mkfifo((data + "/RecordAutoSynchronizationInfos.dat").toUtf8().constData(), 0600), 0);
  Result r = run({"cameras", "list"}, 10000);
  EXPECT_EQ(r.code, 0) << "hung or failed: " << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("No cameras configured")) << r.out.toStdString();
}

TEST_F(Program, AFileSizeLimitSkipsTheRecordingAndKeepsAValidPartialFile) {
  camsim::Config cfg;
  camsim::Recording big;
  big.name = "BIG.avi";
  big.key = 5;
  big.size = 120000;
  cfg.recordings = {big};
  auto cam = sim("127.0.2.182", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "820", "127.0.2.182", "pw"}).code, 0);

  QProcess p;
  p.setProcessEnvironment(env_);
  p.setChildProcessModifier([] {
    struct rlimit limit = {50000, 50000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  p.start(VELMORA_BIN, {"--headless", "--once"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "killed by the file-size limit";
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(out.contains("BIG.avi")) << out.toStdString();

  const auto bytes = camsim::generated_content(big);
  const std::string whole(bytes.begin(), bytes.end());
  int partials = 0;
  QDirIterator it(data_.path(), {"BIG.*"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const std::string path = it.next().toStdString();
    ASSERT_TRUE(path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0) << path;
    const std::string got = test::read_all(path);
    EXPECT_EQ(whole.compare(0, got.size(), got), 0) << "not a prefix: " << path;
    ++partials;
  }
  EXPECT_LE(partials, 1);
}

}  // namespace
}  // namespace velmora
