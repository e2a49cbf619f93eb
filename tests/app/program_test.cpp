// The velmora program from the outside: camera list commands, the single
// instance, --headless --once outcomes and a clean stop on SIGTERM.
#include <gtest/gtest.h>

#include <QProcess>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <cstdlib>

#include "app_test_support.h"
#include "camsim.h"
#include "instance_lock.h"
#include "nvssim.h"
#include "relayed_camera_endpoint.h"
#include "run_result.h"

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
    test::set_language(env_, "LANG", "C.UTF-8");
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
  // A mistyped address is never taken for a password and listened for.
  Result typo = run({"cameras", "add-local", "13", "192.168.1.300"});
  EXPECT_EQ(typo.code, 2);
  EXPECT_TRUE(typo.err.contains("'192.168.1.300' is not an IPv4 address")) << typo.err.toStdString();
  Result long_pw = run({"cameras", "add-local", "13", "127.0.2.62", "0123456789abcdef"});
  EXPECT_EQ(long_pw.code, 2);
  EXPECT_TRUE(long_pw.err.contains("15 bytes")) << long_pw.err.toStdString();
  EXPECT_EQ(run({"cameras", "add-local", "x1", "127.0.2.62", "pw"}).code, 2);
  EXPECT_EQ(run({"cameras", "remove", "99"}).code, 1);
  // Removing a camera deletes its partial files, never a finished recording.
  const QString cam12 = data_.path() + "/OV/RecordDownload/12";
  ASSERT_TRUE(QDir().mkpath(cam12 + "/Manual") && QDir().mkpath(cam12 + "/AlarmRecord"));
  test::write_all((cam12 + "/Manual/a.tmp").toStdString(), "half");
  test::write_all((cam12 + "/AlarmRecord/b.tmp").toStdString(), "half");
  test::write_all((cam12 + "/Manual/c.avi").toStdString(), "whole");
  Result removed = run({"cameras", "remove", "12"});
  EXPECT_EQ(removed.code, 0);
  EXPECT_TRUE(removed.out.contains("Deleted 2 partial file(s)")) << removed.out.toStdString();
  EXPECT_FALSE(QFile::exists(cam12 + "/Manual/a.tmp"));
  EXPECT_FALSE(QFile::exists(cam12 + "/AlarmRecord/b.tmp"));
  EXPECT_TRUE(QFile::exists(cam12 + "/Manual/c.avi"));
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
  EXPECT_TRUE(run({"settings", "pacing"}).out.contains("no speed limit"));

  // A rate per camera becomes the pacing that keeps below it.
  EXPECT_TRUE(run({"settings", "pacing", "500"}).out.contains("at most 262144 bytes/s (256 KiB/s)"));
  EXPECT_EQ(run({"settings", "rate", "2M"}).code, 0);
  Result rate = run({"settings", "rate"});
  EXPECT_TRUE(rate.out.contains("pacing        63 ms")) << "131072 B per 63 ms";
  EXPECT_TRUE(rate.out.contains("at most 2080507 bytes/s (1.98 MiB/s)")) << rate.out.toStdString();
  EXPECT_EQ(run({"settings", "rate", "off"}).code, 0);
  EXPECT_TRUE(run({"settings"}).out.contains("pacing        0 ms"));
  EXPECT_EQ(run({"settings", "rate", "1K"}).code, 2);  // would need more than 60 s per chunk
  EXPECT_EQ(run({"settings", "rate", "0"}).code, 2);
  EXPECT_EQ(run({"settings", "rate", "fast"}).code, 2);
  EXPECT_EQ(run({"settings", "rate", "2184"}).code, 2);
  EXPECT_EQ(run({"settings", "rate", "2185"}).code, 0);
  EXPECT_TRUE(run({"settings", "rate"}).out.contains("pacing        59988 ms"));
}

TEST_F(Program, SettingsCommandWritesWhatTheEngineReads) {
  EXPECT_EQ(run({"settings", "interval", "0"}).code, 0);
  EXPECT_EQ(run({"settings", "concurrency", "2"}).code, 0);
  EXPECT_EQ(run({"settings", "concurrency", "6"}).code, 2);
  EXPECT_EQ(run({"settings", "interval", "9"}).code, 2);
  Result r = run({"settings"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.contains("interval      None (off, code 0)")) << r.out.toStdString();
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
    return out.contains("automatic synchronisation is off");
  })) << out.toStdString();
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(Program, SecondInstanceIsRefusedWithTheHoldersPid) {
  InstanceLock lock;
  ASSERT_TRUE(lock.acquire(run_.path().toStdString()));
  InstanceLock again;
  EXPECT_FALSE(again.acquire(run_.path().toStdString()));
  EXPECT_EQ(InstanceLock::holder_pid(run_.path().toStdString()), ::getpid());
  Result r = run({"--headless", "--once"}, 20000);
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(r.err.contains("PID " + QString::number(::getpid()))) << r.err.toStdString();
  // Reading never needs the lock.
  EXPECT_EQ(run({"cameras", "list"}).code, 0);
  EXPECT_EQ(run({"settings"}).code, 0);
  // A change has nobody to go to: refused, naming the holder, nothing written.
  r = run({"cameras", "add-local", "5", "127.0.2.5", "pw"}, 20000);
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(r.err.contains("PID " + QString::number(::getpid()))) << r.err.toStdString();
  lock.release();
  EXPECT_EQ(run({"cameras", "list"}).out.count("127.0.2.5"), 0);
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
  EXPECT_TRUE(r.out.contains("camera 630 (127.0.2.63): Complete, 2/2 new recordings, 2 on disk")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("camera 640 (127.0.2.64): Wrong password")) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("[CameraDriverModule]"));  // library lines kept off the display

  ASSERT_EQ(run({"cameras", "remove", "640"}).code, 0);
  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString();
  // Everything is on disk already: nothing left to fetch.
  EXPECT_TRUE(r.out.contains("camera 630 (127.0.2.63): up to date, 2 on disk"))
      << r.out.toStdString();
}

// Each line of a --json output as an object; fails the test on a line that
// is not one.
QList<QJsonObject> json_lines(const QString& out) {
  QList<QJsonObject> objects;
  for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_TRUE(doc.isObject()) << line.toStdString();
    objects.push_back(doc.object());
  }
  return objects;
}

std::uint64_t total_size(const std::vector<camsim::Recording>& recordings) {
  std::uint64_t total = 0;
  for (const auto& rec : recordings) total += rec.size;
  return total;
}

QJsonObject of_camera(const QList<QJsonObject>& objects, qint64 id) {
  for (const QJsonObject& o : objects)
    if (o["type"].toString() == "camera" && o["id"].toInteger() == id) return o;
  ADD_FAILURE() << "no object for camera " << id;
  return {};
}

TEST_F(Program, JsonOutputsCarryOnlyObjectsOnStandardOutput) {
  camsim::Config good_cfg;
  good_cfg.recordings = camsim::generate_recordings(2, 1000, 150000, 0.5, 9);
  const std::uint64_t total = total_size(good_cfg.recordings);
  auto good = sim("127.0.2.140", good_cfg);
  auto bad = sim("127.0.2.141", {});
  ASSERT_EQ(run({"cameras", "add-local", "900", "127.0.2.140", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "910", "127.0.2.141", "wrong"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-remote", "920", "127.0.2.142", "u", "pw", "SER-9"}).code, 0);
  // An alias with terminal controls and a byte that is not UTF-8.
  test::write_all(data_.path().toStdString() + "/OV/QTX/UserAlias.txt",
                  "900/*/Porch\x1b[31m\xff\r\n");

  Result list = run({"cameras", "list", "--json"});
  ASSERT_EQ(list.code, 0) << list.err.toStdString();
  const QList<QJsonObject> cameras = json_lines(list.out);
  ASSERT_EQ(cameras.size(), 3);
  EXPECT_EQ(of_camera(cameras, 900)["address"].toString(), "127.0.2.140");
  EXPECT_EQ(of_camera(cameras, 900)["port"].toInt(), 9996);
  EXPECT_EQ(of_camera(cameras, 900)["alias"].toString(), "Porch\\x1b[31m\\xff");
  EXPECT_EQ(of_camera(cameras, 920)["kind"].toString(), "remote");
  EXPECT_EQ(of_camera(cameras, 920)["serial"].toString(), "SER-9");
  EXPECT_EQ(of_camera(cameras, 920)["server"].toString(), "127.0.2.142");
  EXPECT_FALSE(list.out.contains("wrong"));  // never a password
  EXPECT_FALSE(list.out.contains("\"pw\""));
  ASSERT_EQ(run({"cameras", "remove", "920"}).code, 0);

  Result r = run({"--headless", "--once", "--json"});
  EXPECT_EQ(r.code, 1) << r.err.toStdString();
  const QList<QJsonObject> lines = json_lines(r.out);
  ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
  const QJsonObject ok = of_camera(lines, 900);
  EXPECT_EQ(ok["outcome"].toString(), "complete");
  EXPECT_TRUE(ok["ok"].toBool());
  EXPECT_EQ(ok["kind"].toString(), "local");
  EXPECT_EQ(ok["fetched"].toInt(), 2);
  EXPECT_EQ(ok["skipped"].toInt(), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(ok["bytes"].toDouble()), total);
  EXPECT_EQ(ok["error"].toString(), "");
  EXPECT_EQ(ok["alias"].toString(), "Porch\\x1b[31m\\xff");
  const QJsonObject failed = of_camera(lines, 910);
  EXPECT_EQ(failed["outcome"].toString(), "wrong-password");
  EXPECT_FALSE(failed["ok"].toBool());
  EXPECT_EQ(failed["error"].toString(), "wrong password");
  const QJsonObject summary = lines.back();
  EXPECT_EQ(summary["type"].toString(), "summary");
  EXPECT_EQ(summary["cameras"].toInt(), 2);
  EXPECT_EQ(summary["ok"].toInt(), 1);
  EXPECT_EQ(summary["failed"].toInt(), 1);
  EXPECT_EQ(summary["fetched"].toInt(), 2);
  EXPECT_EQ(summary["exit"].toInt(), 1);
  // The people's lines went to standard error.
  EXPECT_TRUE(r.err.contains("camera 910 (127.0.2.141): Wrong password")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Total: 2 camera(s)")) << r.err.toStdString();
}

TEST_F(Program, StatusTellsWhatTheHistoryOfThreeRunsSays) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(2, 1000, 120000, 0.5, 93);
  const std::uint64_t total = total_size(cfg.recordings);
  auto cam = sim("127.0.2.143", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "930", "127.0.2.143", "pw"}).code, 0);
  ASSERT_EQ(run({"--headless", "--once"}).code, 0);  // fetches both
  ASSERT_EQ(run({"--headless", "--once"}).code, 0);  // up to date
  Result fine = run({"status", "--check", "--max-age", "36h"});
  EXPECT_EQ(fine.code, 0) << fine.out.toStdString();
  EXPECT_TRUE(fine.out.contains("Check: every camera is fine.")) << fine.out.toStdString();
  EXPECT_EQ(run({"status", "--check", "--max-age", "90x"}).code, 2);
  EXPECT_EQ(run({"status", "--check", "--max-age", "0m"}).code, 2);

  // A run from long ago, and a line a crash cut short: the next run still
  // gets a line of its own and neither counts.
  const std::string log = data_.path().toStdString() + "/OV/data/SyncHistory.jsonl";
  const qint64 old = QDateTime::currentSecsSinceEpoch() - 8 * 24 * 3600;
  const std::string old_line = "{\"id\":930,\"status\":140,\"outcome\":\"complete\",\"bytes\":12345,"
                               "\"ended\":" + std::to_string(old) + "}\n";
  test::write_all(log, old_line + test::read_all(log) + "{\"id\":930,\"sta");
  cam->stop();
  EXPECT_EQ(run({"--headless", "--once"}).code, 1);  // nobody answers
  ASSERT_EQ(run({"cameras", "add-local", "931", "127.0.2.144", "pw"}).code, 0);  // never ran

  Result r = run({"status", "--json"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QList<QJsonObject> lines = json_lines(r.out);
  ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
  // Last, the schedule: no automatic run yet, so one interval after a start.
  EXPECT_EQ(lines.back()["type"].toString(), "schedule");
  EXPECT_EQ(lines.back()["reason"].toString(), "first-interval");
  EXPECT_TRUE(lines.back()["next_run"].isNull());
  const QJsonObject s = of_camera(lines, 930);
  const QDateTime completed = QDateTime::fromString(s["last_completed"].toString(), Qt::ISODate);
  ASSERT_TRUE(completed.isValid()) << s["last_completed"].toString().toStdString();
  EXPECT_LT(std::llabs(completed.secsTo(QDateTime::currentDateTime())), 120);
  EXPECT_EQ(s["last_outcome"].toString(), "connection-failed");
  EXPECT_FALSE(s["last_error"].toString().isEmpty());
  EXPECT_EQ(s["last_run"].toObject()["outcome"].toString(), "connection-failed");
  EXPECT_EQ(static_cast<std::uint64_t>(s["bytes_7d"].toDouble()), total);
  const QJsonObject never = of_camera(lines, 931);
  EXPECT_TRUE(never["last_completed"].isNull());
  EXPECT_TRUE(never["last_outcome"].isNull());

  // Four runs in the log (the old one and three), the torn line skipped.
  int runs = 0;
  for (const QString& line : QString::fromStdString(test::read_all(log)).split('\n'))
    runs += QJsonDocument::fromJson(line.toUtf8()).isObject() ? 1 : 0;
  EXPECT_EQ(runs, 4);

  Result human = run({"status"});
  EXPECT_EQ(human.code, 0);
  EXPECT_TRUE(human.out.contains("camera 930 (127.0.2.143): last completed ")) << human.out.toStdString();
  EXPECT_TRUE(human.out.contains("last run Connection failed at ")) << human.out.toStdString();
  EXPECT_TRUE(human.out.contains("camera 931 (127.0.2.144): no run recorded")) << human.out.toStdString();
  EXPECT_TRUE(human.out.contains("No Velmora is running; this is the history.")) << human.out.toStdString();
  EXPECT_FALSE(human.out.contains("now:")) << human.out.toStdString();

  // For monitoring: a failed last run fails the check; with --max-age so
  // does a camera that never completed one.
  Result check = run({"status", "--check"});
  EXPECT_EQ(check.code, 1);
  EXPECT_TRUE(check.out.contains("Check failed: camera 930 (127.0.2.143): its last run failed: "))
      << check.out.toStdString();
  EXPECT_FALSE(check.out.contains("Check failed: camera 931")) << check.out.toStdString();
  Result aged = run({"status", "--json", "--check", "--max-age", "2d"});
  EXPECT_EQ(aged.code, 1);
  const QJsonObject verdict = json_lines(aged.out).back();
  EXPECT_EQ(verdict["type"].toString(), "check");
  EXPECT_FALSE(verdict["ok"].toBool());
  EXPECT_EQ(verdict["max_age"].toInteger(), 2 * 24 * 3600);
  QStringList problems;
  for (const QJsonValue& v : verdict["problems"].toArray())
    problems << QString::number(v["id"].toInteger()) + " " + v["problem"].toString();
  EXPECT_EQ(problems, QStringList({"930 last-run-failed", "931 never-completed"}));
  EXPECT_TRUE(of_camera(json_lines(aged.out), 930)["live"].isNull());
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
  r = run({"cameras", "add-remote", "770", "127.0.2.777", "u", "pw", "SER"});
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

  // --check logs in through the relay before saving; a wrong account is not saved.
  r = run({"cameras", "add-remote", "--check", "770", "127.0.2.77",
           QString::fromStdString(account.user), "wrong-pw", "SER-77"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.contains("server login refused")) << r.err.toStdString();
  r = run({"cameras", "add-remote", "--check", "771", "127.0.2.77",
           QString::fromStdString(account.user), "server-pw", "SER-77"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.contains("camera not in this account")) << r.err.toStdString();
  EXPECT_FALSE(run({"cameras", "list"}).out.contains("SER-77"));
  r = run({"cameras", "add-remote", "--check", "770", "127.0.2.77",
           QString::fromStdString(account.user), "server-pw", "SER-77"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("logged in; 3 recording(s) on the card; logged out")) << r.out.toStdString();
  r = run({"cameras", "test", "770"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("camera 770 (SER-77 via 127.0.2.77): logged in; 3 recording(s)"))
      << r.out.toStdString();
  // A dry run through the relay: all three are missing, nothing is fetched.
  r = run({"cameras", "recordings", "770", "--json"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject dry =
      QJsonDocument::fromJson(r.out.split('\n', Qt::SkipEmptyParts).last().toUtf8()).object();
  EXPECT_EQ(dry["type"].toString(), "summary") << r.out.toStdString();
  EXPECT_EQ(dry["recordings"].toInt(), 3);
  EXPECT_EQ(dry["to_download"].toInt(), 3);
  EXPECT_EQ(r.out.count("\"state\":\"missing\""), 3) << r.out.toStdString();
  Result list = run({"cameras", "list"});
  EXPECT_TRUE(list.out.contains("Remote")) << list.out.toStdString();
  EXPECT_TRUE(list.out.contains("SER-77 via 127.0.2.77")) << list.out.toStdString();
  const auto before = server.counters();
  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("Complete, 3/3 new recordings")) << r.out.toStdString();
  EXPECT_EQ(server.counters().logins_accepted - before.logins_accepted, 1);
  EXPECT_EQ(server.counters().relay_admissions - before.relay_admissions, 1);
  r = run({"cameras", "recordings", "770"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("3 recording(s) on the card; 0 to download")) << r.out.toStdString();
  endpoint.stop();
  server.stop();
  cam.stop();
}

// SIGHUP (the terminal was closed) stops it as SIGTERM does.
TEST_F(Program, HeadlessStopsCleanlyOnSigtermAndSighup) {
  camsim::Config silent;
  silent.answer_login = false;
  auto cam = sim("127.0.2.65", silent);
  ASSERT_EQ(run({"cameras", "add-local", "650", "127.0.2.65", "pw"}).code, 0);

  for (const int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    QProcess p;
    p.setProcessEnvironment(env_);
    QString out;
    QObject::connect(&p, &QProcess::readyReadStandardOutput,
                     [&] { out += QString::fromUtf8(p.readAllStandardOutput()); });
    p.start(VELMORA_BIN, {"--headless", "--now"});
    ASSERT_TRUE(wait_until([&] { return out.contains("Connecting"); })) << out.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), sig);
    ASSERT_TRUE(wait_until([&] { return p.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    // Settings are written at a clean exit.
    EXPECT_TRUE(QFile::exists(data_.path() + "/OV/QTX/Settings.xml"));
    EXPECT_TRUE(out.contains("stopping all cameras")) << out.toStdString();
    QFile::remove(data_.path() + "/OV/QTX/Settings.xml");
  }
}

// A display that is named but cannot be opened is reported like a missing
// one, not by an abort inside the window toolkit.
TEST_F(Program, AnUnreachableDisplayIsReportedLikeNone) {
  if (QFile::exists("/tmp/.X11-unix/X99")) GTEST_SKIP() << "display :99 exists here";
  QProcessEnvironment env = env_;
  env.remove("QT_QPA_PLATFORM");
  env.remove("WAYLAND_DISPLAY");
  for (const char* platform : {"", "xcb"}) {
    SCOPED_TRACE(platform);
    if (*platform) env.insert("QT_QPA_PLATFORM", platform);
    env.insert("DISPLAY", ":99");
    Result r = test::run_program(VELMORA_BIN, env, {});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("no display to open the window on")) << r.err.toStdString();
    env.remove("DISPLAY");
    r = test::run_program(VELMORA_BIN, env, {});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("no display to open the window on")) << r.err.toStdString();
  }
}

// The window keeps the library's log lines off standard output; --verbose
// shows them on standard error, as in headless mode.
TEST_F(Program, WindowShowsLibraryLinesOnlyWithVerboseOnStandardError) {
  QProcessEnvironment env = env_;
  env.insert("QT_QPA_PLATFORM", "offscreen");
  for (const bool verbose : {false, true}) {
    SCOPED_TRACE(verbose);
    QProcess p;
    p.setProcessEnvironment(env);
    QString out, err;
    QObject::connect(&p, &QProcess::readyReadStandardOutput,
                     [&] { out += QString::fromUtf8(p.readAllStandardOutput()); });
    QObject::connect(&p, &QProcess::readyReadStandardError,
                     [&] { err += QString::fromUtf8(p.readAllStandardError()); });
    p.start(VELMORA_BIN, verbose ? QStringList{"--verbose"} : QStringList{});
    // A change handed to the window is answered from its event loop, by
    // which time the library runs and SIGTERM ends the window cleanly.
    ASSERT_TRUE(wait_until([&] { return QFile::exists(run_.path() + "/Velmora.control"); }));
    ASSERT_EQ(run({"settings", "keep-days", verbose ? "31" : "32"}).code, 0);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(wait_until([&] { return p.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(out.contains("Reactor")) << out.toStdString();
    EXPECT_EQ(err.contains("Reactor Event Loop Started"), verbose) << err.toStdString();
  }
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

namespace velmora {
namespace {

// The service's help lists every outcome word and JSON key from the code
// that writes them.
TEST_F(Program, HeadlessHelpListsEveryOutcomeAndKey) {
  const QString help = run({"--headless", "--help"}).out;
  for (const std::string& word : outcome_words())
    EXPECT_TRUE(help.contains(QString::fromStdString(word))) << word;
  for (const char* key : {"\"card_deleted\"", "\"removed_bytes\"", "\"auto_started\"", "\"alias\""})
    EXPECT_TRUE(help.contains(key)) << key;
  EXPECT_TRUE(help.contains("disk-full"));
  EXPECT_TRUE(help.contains("SIGHUP"));
}

// The README lists the outcome words and camera keys of the program's own
// table (which its help prints): exactly the words, and every key.
TEST_F(Program, ReadmeListsTheOutcomesAndKeysOfTheProgramsTable) {
  const QString help = run({"--headless", "--help"}).out.simplified();
  const auto between = [](const QString& text, const QString& from, const QString& to) {
    const qsizetype a = text.indexOf(from);
    const qsizetype b = text.indexOf(to, a + from.size());
    return a < 0 || b < 0 ? QString() : text.mid(a + from.size(), b - a - from.size());
  };
  QSet<QString> keys, outcomes;
  for (const QString& k : between(help, "with the keys", "then one").split(',', Qt::SkipEmptyParts))
    keys << k.trimmed().remove('"').remove('.');
  for (const QString& w : between(help, "Outcomes:", "New keys").split(',', Qt::SkipEmptyParts))
    outcomes << w.trimmed().remove('.');
  ASSERT_GT(keys.size(), 10) << help.toStdString();
  ASSERT_GT(outcomes.size(), 10) << help.toStdString();

  QFile file(VELMORA_README);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString readme = QString::fromUtf8(file.readAll());
  const auto quoted = [](const QString& text) {
    QSet<QString> words;
    static const QRegularExpression code("`([^`]+)`");
    for (auto m = code.globalMatch(text); m.hasNext();) words << m.next().captured(1);
    return words;
  };
  const QSet<QString> camera_words =
      quoted(between(readme, "- A `camera` object per camera", "Then one `summary`"));
  for (const QString& k : keys) EXPECT_TRUE(camera_words.contains(k)) << k.toStdString();
  EXPECT_EQ(quoted(between(readme, "- Outcomes:", "\n- ")), outcomes);

  // The same for the live state 'status' shows: its keys and state words.
  const QString status_help = run({"status", "--help"}).out.simplified();
  QSet<QString> live_words;
  for (const QString& k : between(status_help, "with the keys", "(\"file_bytes\"").split(',', Qt::SkipEmptyParts))
    live_words << k.trimmed().remove('"').remove('.');
  for (const QString& w : between(status_help, "States:", "With --check").split(',', Qt::SkipEmptyParts))
    live_words << w.trimmed().remove('.');
  ASSERT_GT(live_words.size(), 20) << status_help.toStdString();
  const QSet<QString> readme_live = quoted(between(readme, "and `live`:", "With `--check`"));
  for (const QString& w : live_words) EXPECT_TRUE(readme_live.contains(w)) << w.toStdString();
}

TEST_F(Program, HelpAtEveryLevelAndVersion) {
  const QList<QStringList> levels = {
      {"--help"},           {"-h"},
      {"help", "cameras"},  {"cameras", "--help"},
      {"cameras", "list", "--help"}, {"cameras", "add-local", "-h"},
      {"cameras", "add-remote", "--help"}, {"cameras", "remove", "--help"},
      {"settings", "--help"}, {"sync", "--help"},
      {"--headless", "--help"}, {"--demo", "--help"},
      {"status", "--help"},   {"help", "status"}, {"cameras", "discover", "--help"}};
  for (const QStringList& args : levels) {
    Result r = run(args);
    EXPECT_EQ(r.code, 0) << args.join(' ').toStdString();
    EXPECT_TRUE(r.out.startsWith("Usage: velmora")) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  }
  EXPECT_TRUE(run({"cameras", "remove", "--help"}).out.contains("remove <id>"));
  EXPECT_TRUE(run({"--demo", "--help"}).out.contains("--keep"));
  EXPECT_TRUE(run({"status", "--help"}).out.contains("--json"));
  // --json belongs to the commands that have a machine-readable form.
  EXPECT_EQ(run({"--headless", "--json"}).code, 2);
  EXPECT_EQ(run({"status", "--bogus"}).code, 2);
  EXPECT_EQ(run({"cameras", "list", "--bogus"}).code, 2);
  Result v = run({"--version"});
  EXPECT_EQ(v.code, 0);
  EXPECT_TRUE(v.out.contains("velmora 1.6.0 (camera library 1.6.0")) << v.out.toStdString();
  // A wrong word still fails, pointing at the help.
  Result bad = run({"cameras", "add-local", "--bogus"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_TRUE(bad.err.contains("--bogus")) << bad.err.toStdString();
}

TEST_F(Program, AddNeedsReplaceForAnExistingIdAndForceForDuplicates) {
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.70", "pw"}).code, 0);
  // Same id: refused without --replace, also when it would turn remote.
  Result r = run({"cameras", "add-remote", "1", "127.0.2.77", "u", "pw", "SER"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("--replace")) << r.err.toStdString();
  r = run({"cameras", "add-local", "--replace", "1", "127.0.2.71", "pw"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.contains("Replaced camera 1")) << r.out.toStdString();
  // Same address under another id.
  r = run({"cameras", "add-local", "2", "127.0.2.71", "pw"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("camera 1 already has the address")) << r.err.toStdString();
  EXPECT_EQ(run({"cameras", "add-local", "--force", "2", "127.0.2.71", "pw"}).code, 0);
  // Cameras of one serial share a login: another server or account for the
  // same serial is refused; the same account is the normal case.
  ASSERT_EQ(run({"cameras", "add-remote", "10", "127.0.2.77", "u", "pw", "SER"}).code, 0);
  EXPECT_EQ(run({"cameras", "add-remote", "11", "127.0.2.77", "u", "pw", "SER"}).code, 0);
  r = run({"cameras", "add-remote", "12", "127.0.2.78", "u", "pw", "SER"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("shares one login")) << r.err.toStdString();
  // Addresses no camera has.
  for (const char* address : {"0.0.0.0", "255.255.255.255", "224.0.0.1"})
    EXPECT_EQ(run({"cameras", "add-local", "3", address, "pw"}).code, 2) << address;
  EXPECT_EQ(run({"cameras", "add-local", "3", "192.168.1.255", "pw"}).code, 2);
  EXPECT_EQ(run({"cameras", "add-local", "--force", "3", "192.168.1.255", "pw"}).code, 0);
  // Ids in both spellings a camera announces: the same camera.
  ASSERT_EQ(run({"cameras", "add-local", "4294967295", "127.0.2.72", "pw"}).code, 0);
  r = run({"cameras", "add-local", "-1", "127.0.2.73", "pw"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("camera -1 already exists")) << r.err.toStdString();
  EXPECT_EQ(run({"cameras", "remove", "4294967295"}).code, 0);
  EXPECT_EQ(run({"cameras", "add-local", "4294967296", "127.0.2.72", "pw"}).code, 2);
}

TEST_F(Program, SettingsTakeDurationsSeveralAtOnceAndShowTheRootsSource) {
  Result r = run({"settings", "interval", "1h", "concurrency", "2"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  r = run({"settings"});
  EXPECT_TRUE(r.out.contains("interval      1 hour (1h, code 3)")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("concurrency   2")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("default: no camera manager settings")) << r.out.toStdString();
  // A bad pair changes nothing, not even the good one before it.
  EXPECT_EQ(run({"settings", "concurrency", "3", "interval", "7m"}).code, 2);
  EXPECT_EQ(run({"settings", "interval"}).code, 2);
  EXPECT_TRUE(run({"settings"}).out.contains("concurrency   2"));
  for (const char* d : {"off", "10m", "30m", "2h", "4h", "12h", "1d", "1w", "8"})
    EXPECT_EQ(run({"settings", "interval", d}).code, 0) << d;
  EXPECT_TRUE(run({"settings"}).out.contains("interval      1 week (1w, code 8)"));

  test::write_all(data_.path().toStdString() + "/OV/Settings.xml",
                  "<S><A/><Paths><Download>/srv/rec</Download></Paths></S>");
  r = run({"settings"});
  EXPECT_TRUE(r.out.contains("downloads     /srv/rec")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("from the camera manager's settings")) << r.out.toStdString();
}

TEST_F(Program, ProfileFilesArePrivateAndTightenedOnSave) {
  const std::string ov = data_.path().toStdString() + "/OV";
  const std::string list = ov + "/data/RecordAutoSynchronizationInfos.dat";
  QDir().mkpath(QString::fromStdString(ov + "/data"));
  QDir().mkpath(QString::fromStdString(ov + "/QTX"));
  test::write_all(list, "");
  test::write_all(ov + "/QTX/Settings.xml", "<SystemSetting/>");
  ::chmod(list.c_str(), 0644);
  ::chmod((ov + "/QTX/Settings.xml").c_str(), 0644);
  ::chmod(ov.c_str(), 0755);
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.70", "pw"}).code, 0);
  ASSERT_EQ(run({"settings", "concurrency", "3"}).code, 0);
  auto mode = [](const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
  };
  EXPECT_EQ(mode(list), 0600u);
  EXPECT_EQ(mode(ov + "/QTX/Settings.xml"), 0600u);
  EXPECT_EQ(mode(ov), 0700u);
  EXPECT_EQ(mode(ov + "/data"), 0700u);
  EXPECT_EQ(mode(ov + "/QTX"), 0700u);
}

TEST_F(Program, PasswordFromStandardInputNeverOnTheCommandLine) {
  QProcess p;
  p.setProcessEnvironment(env_);
  p.start(VELMORA_BIN, {"cameras", "add-local", "--password-stdin", "1", "127.0.2.70"});
  ASSERT_TRUE(p.waitForStarted());
  p.write("s3cret pw\n");
  p.closeWriteChannel();
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const std::string file =
      test::read_all(data_.path().toStdString() + "/OV/data/RecordAutoSynchronizationInfos.dat");
  ASSERT_EQ(file.size(), 147u);
  EXPECT_EQ(std::string(file.c_str() + 9), "s3cret pw");  // the local password field

  // No password, no terminal, no --password-stdin: refused, not stored empty.
  Result r = run({"cameras", "add-local", "2", "127.0.2.71"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("--password-stdin")) << r.err.toStdString();
  // Both at once is ambiguous.
  EXPECT_EQ(run({"cameras", "add-local", "--password-stdin", "2", "127.0.2.71", "pw"}).code, 2);
}

// A service runs; the other commands read the files and hand their changes
// to it, and the service applies and saves them.
TEST_F(Program, CommandsReachARunningService) {
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.70", "pw"}).code, 0);
  ASSERT_EQ(run({"settings", "interval", "off"}).code, 0);
  QProcess service;
  service.setProcessEnvironment(env_);
  QString out;
  QObject::connect(&service, &QProcess::readyReadStandardOutput,
                   [&] { out += QString::fromUtf8(service.readAllStandardOutput()); });
  service.start(VELMORA_BIN, {"--headless"});
  ASSERT_TRUE(wait_until([&] { return out.contains("automatic synchronisation is off"); }))
      << out.toStdString();
  EXPECT_TRUE(out.contains("velmora sync")) << out.toStdString();

  Result list = run({"cameras", "list"});
  EXPECT_EQ(list.code, 0);
  EXPECT_TRUE(list.out.contains("127.0.2.70"));
  Result add = run({"cameras", "add-local", "2", "127.0.2.71", "pw"});
  EXPECT_EQ(add.code, 0) << add.err.toStdString();
  EXPECT_TRUE(run({"cameras", "list"}).out.contains("127.0.2.71"));
  EXPECT_EQ(test::read_all(data_.path().toStdString() +
                           "/OV/data/RecordAutoSynchronizationInfos.dat").size(), 294u);
  EXPECT_EQ(run({"cameras", "add-local", "2", "127.0.2.72", "pw"}).code, 2);  // checks apply there too
  Result set = run({"settings", "interval", "2h", "concurrency", "1"});
  EXPECT_EQ(set.code, 0) << set.err.toStdString();
  EXPECT_TRUE(run({"settings"}).out.contains("interval      2 hours (2h")) << "saved at once";
  ASSERT_TRUE(wait_until([&] { return out.contains("next automatic run at"); }));
  Result sync = run({"sync"});
  EXPECT_EQ(sync.code, 0) << sync.err.toStdString();
  EXPECT_TRUE(sync.out.contains("2 camera(s)")) << sync.out.toStdString();
  // A second service is refused with the first one's PID.
  Result second = run({"--headless", "--once"}, 20000);
  EXPECT_EQ(second.code, 3);
  EXPECT_TRUE(second.err.contains("PID " + QString::number(service.processId())))
      << second.err.toStdString();

  service.terminate();
  ASSERT_TRUE(service.waitForFinished(20000));
  EXPECT_EQ(service.exitCode(), 0);
  // What the service saved survives it.
  EXPECT_TRUE(run({"settings"}).out.contains("concurrency   1"));
  EXPECT_TRUE(run({"cameras", "list"}).out.contains("127.0.2.71"));
  EXPECT_EQ(run({"sync"}).code, 1);  // nobody to run it now
}

// A running service answers 'status' with what it does now, and 'sync
// --wait' with each camera's outcome once the run it started has ended; its
// log has one line per stored file and says how to fix a wrong password.
TEST_F(Program, StatusShowsTheServiceAtWorkAndSyncWaitsForTheRun) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(3, 400000, 600000, 0.5, 41);
  auto cam = sim("127.0.2.152", cfg);
  auto locked = sim("127.0.2.153");
  ASSERT_EQ(run({"cameras", "add-local", "1500", "127.0.2.152", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "1501", "127.0.2.153", "wrong"}).code, 0);
  ASSERT_EQ(run({"settings", "interval", "off"}).code, 0);
  QProcess service;
  service.setProcessEnvironment(env_);
  QString out;
  QObject::connect(&service, &QProcess::readyReadStandardOutput,
                   [&] { out += QString::fromUtf8(service.readAllStandardOutput()); });
  service.start(VELMORA_BIN, {"--headless"});
  ASSERT_TRUE(wait_until([&] { return out.contains("automatic synchronisation is off"); }))
      << out.toStdString();

  QProcess waiter;
  waiter.setProcessEnvironment(env_);
  waiter.start(VELMORA_BIN, {"sync", "--wait"});
  Result now;
  ASSERT_TRUE(wait_until([&] {
    now = run({"status"});
    return now.out.contains("now: downloading") || waiter.state() == QProcess::NotRunning;
  }, 60000)) << now.out.toStdString();
  static const QRegularExpression line(
      "camera 1500 \\(127\\.0\\.2\\.152\\): first run under way\n  now: downloading REC_\\d+\\.avi, \\d+% "
      "\\(.+ of .+\\), file [123] of 3");
  EXPECT_TRUE(now.out.contains(line)) << now.out.toStdString();
  EXPECT_FALSE(now.out.contains("No Velmora is running")) << now.out.toStdString();
  const QJsonObject live = of_camera(json_lines(run({"status", "--json"}).out), 1500)["live"].toObject();
  EXPECT_EQ(live["id"].toInteger(), 1500);
  EXPECT_EQ(live["total"].toInt(), 3);
  EXPECT_TRUE(QStringList({"syncing", "complete"}).contains(live["state"].toString()))
      << live["state"].toString().toStdString();

  ASSERT_TRUE(waiter.waitForFinished(60000));
  const QString told = QString::fromUtf8(waiter.readAllStandardOutput());
  EXPECT_EQ(waiter.exitCode(), 1) << told.toStdString();  // one camera failed
  EXPECT_TRUE(told.contains("camera 1500 (127.0.2.152): complete, 3 new recording(s), "))
      << told.toStdString();
  EXPECT_TRUE(told.contains("camera 1501 (127.0.2.153): Wrong password; not retried until it is "
                            "fixed: velmora cameras set 1501 password"))
      << told.toStdString();
  ASSERT_TRUE(wait_until([&] { return out.contains("run finished"); })) << out.toStdString();
  EXPECT_EQ(out.count("camera 1500 (127.0.2.152): stored REC_"), 3) << out.toStdString();
  EXPECT_FALSE(out.contains("%")) << out.toStdString();
  EXPECT_TRUE(out.contains("velmora cameras set 1501 password")) << out.toStdString();

  // A service that ends while a client waits: a clear word, never success.
  cam->set_answer_login(false);
  QProcess second;
  second.setProcessEnvironment(env_);
  second.start(VELMORA_BIN, {"sync", "--wait"});
  ASSERT_TRUE(wait_until([&] { return run({"status"}).out.contains("now: connecting"); }));
  service.terminate();
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 1);
  const QString said = QString::fromUtf8(second.readAll() + second.readAllStandardError());
  EXPECT_TRUE(said.contains("ended") || said.contains("Stopped")) << said.toStdString();
  ASSERT_TRUE(service.waitForFinished(20000));
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Each failure still ends by the camera's connect timer (the status the
// scheduler retries on), but the outcome names the server's answer.
TEST_F(Program, RemoteFailuresNameTheServersAnswer) {
  nvssim::Config scfg;
  scfg.address = "127.0.2.80";
  scfg.port = 1701;
  nvssim::Account account;
  account.user = "alice";
  account.password = "right-pw";
  account.group = "SER-80";
  nvssim::Camera nc;
  nc.nvt_id = 809;  // not 802
  nc.endpoint_address = "127.0.2.80";
  nc.endpoint_port = 9;  // never reached
  account.cameras.push_back(nc);
  scfg.accounts.push_back(account);
  nvssim::Server server(scfg);
  ASSERT_TRUE(server.start());

  ASSERT_EQ(run({"cameras", "add-remote", "801", "127.0.2.80", "alice", "wrong-pw", "SER-80"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-remote", "802", "127.0.2.80", "alice", "right-pw", "SER-80",
                 "--force"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-remote", "803", "127.0.2.82", "bob", "pw", "SER-82"}).code, 0);
  Result r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.contains("camera 801 (via server, serial SER-80): server login refused"))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("; if the account's password changed: velmora cameras set 801 "
                             "server-password"))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("camera 803 (via server, serial SER-82): server 127.0.2.82 "
                             "unreachable (connection refused)"))
      << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("timed out", Qt::CaseInsensitive)) << r.out.toStdString();
  server.stop();

  // The right account, but the camera is not in its list.
  ASSERT_EQ(run({"cameras", "remove", "801"}).code, 0);
  ASSERT_EQ(run({"cameras", "remove", "803"}).code, 0);
  nvssim::Server again(scfg);
  ASSERT_TRUE(again.start());
  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.contains("camera 802 (via server, serial SER-80): camera not in this account"))
      << r.out.toStdString();
  again.stop();
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST_F(Program, InterruptedDemoExits130AndLeavesNoFolder) {
  QTemporaryDir tmp;
  env_.insert("TMPDIR", tmp.path());
  // A running service does not block the demo.
  InstanceLock service;
  ASSERT_TRUE(service.acquire(run_.path().toStdString()));
  QProcess p;
  p.setProcessEnvironment(env_);
  QString out;
  QObject::connect(&p, &QProcess::readyReadStandardOutput,
                   [&] { out += QString::fromUtf8(p.readAllStandardOutput()); });
  p.start(VELMORA_BIN, {"--demo", "--cameras", "1"});
  ASSERT_TRUE(wait_until([&] {
    return out.contains("Connecting") || p.state() == QProcess::NotRunning;
  })) << out.toStdString();
  if (p.state() == QProcess::NotRunning && p.readAllStandardError().contains("in use"))
    GTEST_SKIP() << "the demo's fixed addresses are busy (another run on this machine)";
  ASSERT_EQ(p.state(), QProcess::Running) << out.toStdString();
  EXPECT_EQ(QDir(tmp.path()).entryList({"velmora-demo-*"}, QDir::Dirs).size(), 1);
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(wait_until([&] { return p.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(p.exitCode(), 130);
  EXPECT_TRUE(out.contains("Demo interrupted; nothing was compared.")) << out.toStdString();
  EXPECT_FALSE(out.contains("MISMATCH")) << out.toStdString();
  EXPECT_TRUE(QDir(tmp.path()).entryList({"velmora-demo-*"}, QDir::Dirs).isEmpty());
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Files where the recordings' folders should be: nothing can be written
// there, whoever runs the test.
// Characters of Chinese text (CJK ideographs and the full-width punctuation
// around them).
bool has_cjk(const QString& text) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if ((u >= 0x3000 && u <= 0x9fff) || (u >= 0xff00 && u <= 0xffef)) return true;
  }
  return false;
}

// The console follows the user's language the way the window does: the
// statuses and interval names are the window's texts, and the prose around
// them is in the same language.
TEST_F(Program, ConsoleSpeaksTheUsersLanguageThroughout) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(2, 1000, 40000, 0.5, 9);
  auto good = sim("127.0.2.150", cfg);
  auto bad = sim("127.0.2.151");
  ASSERT_EQ(run({"cameras", "add-local", "710", "127.0.2.150", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "720", "127.0.2.151", "wrong"}).code, 0);
  const QList<QStringList> commands = {{"--headless", "--once"},       {"settings"},
                                       {"cameras", "list"},            {"settings", "interval", "7x"},
                                       {"cameras", "remove", "99"},    {"sync"}};
  QList<QStringList> with_help = commands;
  with_help += QList<QStringList>{{"--help"}, {"cameras", "--help"}, {"--headless", "--help"}};
  auto run_all = [&](const QList<QStringList>& list) {
    QString all;
    for (const QStringList& c : list) {
      const Result r = run(c);
      EXPECT_NE(r.code, -1) << c.join(' ').toStdString();
      all += r.out + r.err;
    }
    return all;
  };

  for (const auto& [variable, value] : std::vector<std::pair<QString, QString>>{
           {"LANG", "C.UTF-8"}, {"LANG", "en_US.UTF-8"}, {"LC_ALL", "C"}}) {
    test::set_language(env_, variable, value);
    QDir(data_.path() + "/OV/RecordDownload").removeRecursively();
    const QString all = run_all(with_help);
    EXPECT_FALSE(has_cjk(all)) << variable.toStdString() << "=" << value.toStdString() << "\n"
                               << all.toStdString();
    EXPECT_TRUE(all.contains("camera 720 (127.0.2.151): Wrong password")) << all.toStdString();
    EXPECT_TRUE(all.contains("10 minutes (10m, code 1)")) << all.toStdString();
  }

  // Messages in Chinese, numbers in English: LC_MESSAGES decides.
  for (const auto& [variable, value] : std::vector<std::pair<QString, QString>>{
           {"LANG", "zh_CN.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}}) {
    test::set_language(env_, variable, value);
    if (variable == "LC_MESSAGES") env_.insert("LANG", "C.UTF-8");
    QDir(data_.path() + "/OV/RecordDownload").removeRecursively();
    const QString all = run_all(commands);
    const std::string shown = all.toStdString();
    // The window's own texts for the statuses, the interval and the kinds.
    EXPECT_TRUE(all.contains("摄像机 710 (127.0.2.150): 同步完成，2/2 个新录像")) << shown;
    EXPECT_TRUE(all.contains("摄像机 720 (127.0.2.151): 密码错误")) << shown;
    EXPECT_TRUE(all.contains("同步间隔      10分钟（10m，代码 1）")) << shown;
    EXPECT_TRUE(all.contains("710          本地    127.0.2.150")) << shown;  // wide characters count two
    EXPECT_TRUE(all.contains("合计：2 台摄像机")) << shown;
    // No English prose around them (commands, options, paths and units stay).
    for (const char* word : {"camera 7", "camera(s)", "Total", "minutes", "Wrong", "Complete", "every", "interval  ",
                             "No Velmora", "not '7x'", "no camera with"})
      EXPECT_FALSE(all.contains(word)) << word << "\n" << shown;
    // The help too (command and option names stay).
    const Result help = run({"cameras", "add-local", "--help"});
    EXPECT_TRUE(help.out.startsWith("用法：velmora cameras add-local")) << help.out.toStdString();
    EXPECT_FALSE(help.out.contains("Adds a camera")) << help.out.toStdString();
  }
}

// A camera whose folders cannot take a file fails with the step that failed
// before it is connected; the other camera goes on.
TEST_F(Program, AnUnusableCameraFolderFailsThatCameraBeforeItIsConnected) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(4, 1000, 20000, 0.5, 5);
  auto cam = sim("127.0.2.67", cfg);
  auto good = sim("127.0.2.68", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "670", "127.0.2.67", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "680", "127.0.2.68", "pw"}).code, 0);
  const QString folder = data_.path() + "/OV/RecordDownload/670";
  ASSERT_TRUE(QDir().mkpath(folder));
  test::write_all((folder + "/Manual").toStdString(), "");

  Result r = run({"--headless", "--once", "--json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.contains("camera 670 (127.0.2.67): cannot create folder " + folder +
                             "/Manual: Not a directory"))
      << r.err.toStdString();
  EXPECT_EQ(cam->stats().connections, 0);
  EXPECT_TRUE(r.out.contains("\"error\":\"cannot create folder " + folder + "/Manual"))
      << r.out.toStdString();
  EXPECT_TRUE(r.err.contains("camera 680 (127.0.2.68): Complete, 4/4"))
      << r.err.toStdString();
  // The folder that could be made was made; nothing was written beside it.
  EXPECT_TRUE(QFileInfo(folder + "/AlarmRecord").isDir());
  EXPECT_TRUE(QDir(folder + "/AlarmRecord").isEmpty(QDir::AllEntries | QDir::Hidden |
                                                    QDir::NoDotAndDotDot));
}

// A download folder that is gone (a file has its name, as after a disk was
// not mounted) is reported when the service starts and ends every camera's
// run with the reason, without connecting.
TEST_F(Program, AnUnusableDownloadFolderIsReportedAtTheStartAndFailsEachCamera) {
  auto cam = sim("127.0.2.66");
  ASSERT_EQ(run({"cameras", "add-local", "660", "127.0.2.66", "pw"}).code, 0);
  QTemporaryDir disk;
  const QString folder = disk.path() + "/cameras";
  ASSERT_EQ(run({"settings", "download-folder", folder}).code, 0);
  ASSERT_TRUE(QDir(folder).removeRecursively());
  test::write_all(folder.toStdString(), "");

  Result r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 1);
  const QString why = "the download folder " + folder + " cannot take recordings: ";
  EXPECT_TRUE(r.out.contains("warning: " + why)) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("camera 660 (127.0.2.66): " + why)) << r.out.toStdString();
  EXPECT_EQ(cam->stats().connections, 0);
}

// A camera folder on a read-only file system, as a disk remounted read-only
// after errors leaves it: the report names the folder and the system's reason
// instead of a missing partial file.
TEST_F(Program, AReadOnlyCameraFolderIsReportedWithItsReason) {
  if (QProcess::execute("unshare", {"-Urm", "true"}) != 0)
    GTEST_SKIP() << "no unprivileged user and mount namespaces here";
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(2, 1000, 20000, 0.5, 6);
  auto cam = sim("127.0.2.69", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "690", "127.0.2.69", "pw"}).code, 0);
  const QString folder = data_.path() + "/OV/RecordDownload/690";
  ASSERT_TRUE(QDir().mkpath(folder));
  QTemporaryDir out;
  const QString script = QStringLiteral(
      "mount -t tmpfs -o ro tmpfs \"$FOLDER\" || exit 90\n"
      "\"$BIN\" --headless --once > \"$OUT/run\" 2>&1; echo $? > \"$OUT/code\"\n");
  QProcessEnvironment env = env_;
  env.insert("FOLDER", folder);
  env.insert("BIN", VELMORA_BIN);
  env.insert("OUT", out.path());
  Result r = test::run_program("unshare", env, {"-Urm", "sh", "-c", script});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const std::string dir = out.path().toStdString();
  const std::string run1 = test::read_all(dir + "/run");
  EXPECT_EQ(test::read_all(dir + "/code"), "1\n") << run1;
  EXPECT_NE(run1.find("camera 690 (127.0.2.69): cannot create folder " + folder.toStdString() +
                      "/AlarmRecord: Read-only file system"),
            std::string::npos)
      << run1;
  EXPECT_EQ(cam->stats().connections, 0);
}

TEST_F(Program, FreeSpaceAndRetentionSettingsAreSetShownAndBadInputRefused) {
  Result r = run({"settings"});
  EXPECT_TRUE(r.out.contains("min-free      1G")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("keep-days     0: recordings are kept for ever")) << r.out.toStdString();
  EXPECT_EQ(run({"settings", "min-free", "2G", "keep-days", "30"}).code, 0);
  for (const char* bad : {"-1", "abc", "1.5G", "2X", "", "2000000T"}) {
    r = run({"settings", "min-free", bad});
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_TRUE(r.err.contains("min-free takes a size")) << r.err.toStdString();
  }
  for (const char* bad : {"-3", "x", "7.5", "36501"}) {
    r = run({"settings", "keep-days", bad});
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_TRUE(r.err.contains("keep-days takes a whole number")) << r.err.toStdString();
  }
  r = run({"settings"});
  EXPECT_TRUE(r.out.contains("min-free      2G")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("keep-days     30")) << r.out.toStdString();
  // Older readers take the fifth element as the pacing: it is written ahead
  // of the new ones.
  const std::string xml = test::read_all(data_.path().toStdString() + "/OV/QTX/Settings.xml");
  EXPECT_LT(xml.find("<DownloadPacing>500</DownloadPacing>"), xml.find("<MinFreeBytes>2147483648<"))
      << xml;
  EXPECT_NE(xml.find("<KeepDays>30</KeepDays>"), std::string::npos) << xml;
  EXPECT_EQ(run({"settings", "min-free", "500m"}).code, 0);
  EXPECT_TRUE(run({"settings", "min-free"}).out.contains("min-free      500M"));
  EXPECT_EQ(run({"settings", "min-free", "0"}).code, 0);
  EXPECT_TRUE(run({"settings", "min-free"}).out.contains("off"));
}

// The notify command in a --once run against camsim: a wrong password is told
// once with the camera, outcome and reason; the command's words are kept
// as typed, never given to a shell, and a program that cannot run is refused.
TEST_F(Program, NotifyCommandIsSetShownAndRunWhenACameraFails) {
  auto cam = sim("127.0.15.13");
  ASSERT_EQ(run({"cameras", "add-local", "1513", "127.0.15.13", "wrong"}).code, 0);
  Result r = run({"settings", "notify-command", "no-such-program-here"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("'no-such-program-here' is not a program that can be run"))
      << r.err.toStdString();
  const QString script = data_.path() + "/tell me";
  test::write_all(script.toStdString(),
                  "#!/bin/sh\nprintf '<%s>' \"$@\" > \"$0.out\"\necho \"$VELMORA_OUTCOME\" >> \"$0.out\"\n");
  ASSERT_EQ(::chmod(script.toUtf8().constData(), 0755), 0);
  const QString command = "\"" + script + "\" --from velmora;reboot";
  ASSERT_EQ(run({"settings", "notify-command", command, "notifications", "off"}).code, 0);
  r = run({"settings"});
  EXPECT_TRUE(r.out.contains("notifications off\n")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("notify-command " + command + "\n")) << r.out.toStdString();

  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(QString::fromStdString(test::read_all((script + ".out").toStdString())),
            "<--from><velmora;reboot><1513><wrong-password><Wrong password><127.0.15.13>"
            "wrong-password\n");
  ASSERT_EQ(run({"settings", "notify-command", "off"}).code, 0);
  EXPECT_TRUE(run({"settings", "notify-command"}).out.contains("notify-command off"));
}

TEST_F(Program, DeleteAfterCopyIsAPerCameraOptionInItsOwnPrivateFile) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(3, 1000, 20000, 0.5, 8);
  auto cam = sim("127.0.15.10", cfg);
  Result r = run({"cameras", "add-local", "--delete-after-copy", "1510", "127.0.15.10", "pw"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("delete-after-copy on")) << r.out.toStdString();
  ASSERT_EQ(run({"cameras", "add-local", "1511", "127.0.15.11", "pw"}).code, 0);
  const std::string options = data_.path().toStdString() + "/OV/data/VelmoraCameraOptions.txt";
  EXPECT_EQ(test::read_all(options), "1510 delete-after-copy\n");
  struct stat st {};
  ASSERT_EQ(::stat(options.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // The camera list keeps its fixed records.
  EXPECT_EQ(test::read_all(data_.path().toStdString() +
                           "/OV/data/RecordAutoSynchronizationInfos.dat").size(), 2 * 147u);
  EXPECT_EQ(run({"cameras", "set", "1510", "delete-after-copy", "maybe"}).code, 2);
  EXPECT_EQ(run({"cameras", "set", "1510", "bogus", "on"}).code, 2);
  EXPECT_EQ(run({"cameras", "set", "99", "delete-after-copy", "on"}).code, 1);
  EXPECT_TRUE(run({"cameras", "set", "1511"}).out.contains("delete-after-copy off"));
  ASSERT_EQ(run({"cameras", "remove", "1511"}).code, 0);

  r = run({"--headless", "--once"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("3 on disk; 3 deleted from camera cards, 0 kept")) << r.out.toStdString();
  EXPECT_TRUE(cam->recordings().empty());

  EXPECT_EQ(run({"cameras", "set", "1510", "delete-after-copy", "off"}).code, 0);
  EXPECT_EQ(test::read_all(options), "");
  ASSERT_EQ(run({"cameras", "set", "1510", "delete-after-copy", "on"}).code, 0);
  ASSERT_EQ(run({"cameras", "remove", "1510"}).code, 0);
  EXPECT_EQ(test::read_all(options), "");
}

// A real full file system: a tiny tmpfs mounted over the download folder in a
// user namespace of our own (no privileges needed where the system allows it).
TEST_F(Program, AFullFileSystemEndsTheRunAsDiskFullAndTheNextRunResumes) {
  if (QProcess::execute("unshare", {"-Urm", "true"}) != 0)
    GTEST_SKIP() << "no unprivileged user and mount namespaces here";
  camsim::Recording big;
  big.name = "FULL0001.avi";
  big.size = 700000;
  big.key = 91;
  camsim::Config cfg;
  cfg.recordings = {big};
  auto cam = sim("127.0.15.12", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "1512", "127.0.15.12", "pw"}).code, 0);
  ASSERT_EQ(run({"settings", "min-free", "0", "pacing", "0"}).code, 0);
  const QString root = data_.path() + "/OV/RecordDownload";
  ASSERT_TRUE(QDir().mkpath(root));
  QTemporaryDir out;
  const QString script = QStringLiteral(
      "mount -t tmpfs -o size=300k tmpfs \"$ROOT\" || exit 90\n"
      "\"$BIN\" --headless --once > \"$OUT/run1\" 2>&1; echo $? > \"$OUT/code1\"\n"
      "cp -r \"$ROOT/.\" \"$OUT/after1\"\n"
      "mount -o remount,size=4m tmpfs \"$ROOT\" || exit 91\n"
      "\"$BIN\" --headless --once > \"$OUT/run2\" 2>&1; echo $? > \"$OUT/code2\"\n"
      "cp -r \"$ROOT/.\" \"$OUT/after2\"\n");
  QProcessEnvironment env = env_;
  env.insert("ROOT", root);
  env.insert("BIN", VELMORA_BIN);
  env.insert("OUT", out.path());
  Result r = test::run_program("unshare", env, {"-Urm", "sh", "-c", script});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const std::string dir = out.path().toStdString();
  const std::string run1 = test::read_all(dir + "/run1");
  EXPECT_EQ(test::read_all(dir + "/code1"), "1\n") << run1;
  EXPECT_NE(run1.find("camera 1512 (127.0.15.12): disk full: no space left"), std::string::npos)
      << run1;
  EXPECT_EQ(run1.find("skipped FULL"), std::string::npos) << run1;
  const auto bytes = camsim::generated_content(big);
  const std::string want(bytes.begin(), bytes.end());
  const std::string partial = test::read_all(dir + "/after1/1512/Manual/FULL0001.tmp");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/after1/1512/Manual/FULL0001.avi")));
  EXPECT_GT(partial.size(), 0u);
  EXPECT_EQ(partial.size() % 131072, 0u);  // cut back to the last whole chunk
  EXPECT_EQ(partial, want.substr(0, partial.size()));
  EXPECT_EQ(test::read_all(dir + "/code2"), "0\n") << test::read_all(dir + "/run2");
  EXPECT_EQ(test::read_all(dir + "/after2/1512/Manual/FULL0001.avi"), want);
  // The interrupted run counts what went into the partial file; the log of
  // the next one names the file once, when it is stored.
  const std::string first_log = test::read_all(dir + "/run1");
  EXPECT_EQ(first_log.find(" skipped, 0 bytes,"), std::string::npos) << first_log;
  const std::string run2 = test::read_all(dir + "/run2");
  EXPECT_NE(run2.find("stored FULL0001.avi ("), std::string::npos) << run2;
  EXPECT_NE(run2.find("resumed at "), std::string::npos) << run2;
  EXPECT_EQ(run2.find("FULL0001.avi 25%"), std::string::npos) << run2;
}

// A box that reboots every day with a one-day interval: the automatic run
// is counted from the last one in the history, not from the start-up, so an
// overdue run starts soon after the start and a recent one waits its turn.
TEST_F(Program, AutomaticRunIsCountedFromTheLastOneInTheHistory) {
  auto cam = sim("127.0.2.191");
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.191", "pw"}).code, 0);
  ASSERT_EQ(run({"settings", "interval", "1d"}).code, 0);
  const std::string history = data_.path().toStdString() + "/OV/data/SyncHistory.jsonl";
  env_.insert("VELMORA_CATCH_UP_MS", "300");
  for (const int hours_ago : {25, 1}) {
    const qint64 started = QDateTime::currentSecsSinceEpoch() - hours_ago * 3600;
    test::write_all(history, "{\"id\":1,\"kind\":\"local\",\"status\":140,\"started\":" +
                                 std::to_string(started) + ",\"ended\":" +
                                 std::to_string(started + 5) + ",\"auto_started\":" +
                                 std::to_string(started) + "}\n");
    QProcess service;
    service.setProcessEnvironment(env_);
    QString out;
    QObject::connect(&service, &QProcess::readyReadStandardOutput,
                     [&] { out += QString::fromUtf8(service.readAllStandardOutput()); });
    service.start(VELMORA_BIN, {"--headless"});
    if (hours_ago == 25) {
      ASSERT_TRUE(wait_until([&] { return out.contains("run finished"); }, 60000))
          << out.toStdString();
      EXPECT_TRUE(out.contains("an automatic run is overdue")) << out.toStdString();
      EXPECT_TRUE(out.contains("automatic synchronisation of every camera")) << out.toStdString();
    } else {
      ASSERT_TRUE(wait_until([&] { return out.contains("after the last one at"); }))
          << out.toStdString();
      test::pump_for(1500);  // five times the catch-up delay
      EXPECT_FALSE(out.contains("automatic synchronisation of every camera")) << out.toStdString();
      Result status = run({"status"});
      EXPECT_TRUE(status.out.contains("Next automatic run: ")) << status.out.toStdString();
      EXPECT_TRUE(status.out.contains("after the last one at")) << status.out.toStdString();
    }
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(20000));
    EXPECT_EQ(service.exitCode(), 0);
    if (hours_ago == 25) {
      // The run just made is the new last automatic run.
      const std::string log = test::read_all(history);
      const auto at = log.rfind("\"auto_started\":");
      ASSERT_NE(at, std::string::npos);
      EXPECT_GT(std::stoll(log.substr(at + 15)), started + 3600) << log;
    }
  }
}

// The download folder: checked when set, stored by name after the elements
// older readers take by position, and used by the next run; without it the
// sibling's settings decide as before.
TEST_F(Program, DownloadFolderIsCheckedStoredAndUsed) {
  const std::string settings = data_.path().toStdString() + "/OV/QTX/Settings.xml";
  ASSERT_EQ(run({"settings", "interval", "1h"}).code, 0);
  const std::string defaults = test::read_all(settings);
  Result bad = run({"settings", "download-folder", "relative/dir"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_TRUE(bad.err.contains("absolute")) << bad.err.toStdString();
  bad = run({"settings", "download-folder", QString::fromStdString(settings) + "/sub"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_TRUE(bad.err.contains("cannot be created")) << bad.err.toStdString();
  EXPECT_EQ(test::read_all(settings), defaults) << "a refused folder changes nothing";
  EXPECT_TRUE(run({"settings"}).out.contains("(default: no camera manager settings"));

  QTemporaryDir elsewhere;
  const QString folder = elsewhere.path() + "/cams";
  Result set = run({"settings", "download-folder", folder + "/"});
  ASSERT_EQ(set.code, 0) << set.err.toStdString();
  const std::string xml = test::read_all(settings);
  EXPECT_NE(xml.find("<DownloadPacing>500</DownloadPacing>"), std::string::npos) << xml;
  EXPECT_GT(xml.find("<DownloadFolder>" + folder.toStdString() + "</DownloadFolder>"),
            xml.find("<DownloadPacing>"));
  Result shown = run({"settings"});
  EXPECT_TRUE(shown.out.contains(folder + "\n")) << shown.out.toStdString();
  EXPECT_TRUE(shown.out.contains("set with 'velmora settings download-folder'"));

  auto cam = sim("127.0.2.192");
  ASSERT_EQ(run({"cameras", "add-local", "1", "127.0.2.192", "pw"}).code, 0);
  ASSERT_EQ(run({"--headless", "--once"}).code, 0);
  EXPECT_TRUE(QDir(folder + "/1").exists());

  // Back to the default: the file is byte-identical to one never changed.
  ASSERT_EQ(run({"settings", "download-folder", "default"}).code, 0);
  EXPECT_EQ(test::read_all(settings), defaults);
  EXPECT_TRUE(QDir(folder + "/1").exists()) << "recordings never move";
}

// Testing a camera logs in and counts its recordings; a dry run lists what
// is on the card and what of it is on disk, and downloads nothing.
TEST_F(Program, CameraTestAndDryRunVisitTheCameraWithoutChangingAnything) {
  camsim::Config cfg;
  cfg.recordings = {{"M1.avi", 11, 1000, 0, ""}, {"A2.avi", 12, 3000, 1, ""}, {"M3.avi", 13, 500, 0, ""}};
  auto cam = sim("127.0.2.193", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "7", "127.0.2.193", "pw"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "--force", "8", "127.0.2.193", "bad"}).code, 0);
  Result ok = run({"cameras", "test", "7"});
  EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
  EXPECT_TRUE(ok.out.contains("logged in; 3 recording(s) on the card")) << ok.out.toStdString();
  Result wrong = run({"cameras", "test", "8"});
  EXPECT_EQ(wrong.code, 1);
  EXPECT_TRUE(wrong.err.contains("wrong password")) << wrong.err.toStdString();
  EXPECT_EQ(run({"cameras", "test", "9"}).code, 1);
  // --check: saved only after a login that worked.
  Result checked = run({"cameras", "add-local", "--check", "--force", "9", "127.0.2.193", "bad"});
  EXPECT_EQ(checked.code, 1);
  EXPECT_TRUE(checked.err.contains("wrong password") && checked.err.contains("not saved"))
      << checked.err.toStdString();
  EXPECT_EQ(run({"cameras", "test", "9"}).code, 1);  // still not configured
  checked = run({"cameras", "add-local", "--check", "--force", "9", "127.0.2.193", "pw"});
  EXPECT_EQ(checked.code, 0) << checked.err.toStdString();
  EXPECT_TRUE(checked.out.contains("logged in; 3 recording(s)") && checked.out.contains("Added camera 9"))
      << checked.out.toStdString();
  EXPECT_EQ(run({"cameras", "test"}).code, 2);

  const QString folder = data_.path() + "/OV/RecordDownload/7";
  ASSERT_TRUE(QDir().mkpath(folder + "/Manual"));
  test::write_all((folder + "/Manual/M1.avi").toStdString(), std::string(1000, 'x'));
  test::write_all((folder + "/Manual/M3.tmp").toStdString(), std::string(200, 'x'));
  Result dry = run({"cameras", "recordings", "7", "--json"});
  ASSERT_EQ(dry.code, 0) << dry.err.toStdString();
  std::map<QString, QJsonObject> by_name;
  QJsonObject summary;
  for (const QString& line : dry.out.split('\n', Qt::SkipEmptyParts)) {
    const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
    if (o["type"] == "summary") summary = o; else by_name[o["name"].toString()] = o;
  }
  ASSERT_EQ(by_name.size(), 3u) << dry.out.toStdString();
  EXPECT_EQ(by_name["M1.avi"]["state"].toString(), "on-disk");
  EXPECT_EQ(by_name["A2.avi"]["state"].toString(), "missing");
  EXPECT_EQ(by_name["A2.avi"]["kind"].toString(), "alarm");
  EXPECT_EQ(by_name["M3.avi"]["state"].toString(), "partial");
  EXPECT_EQ(by_name["M3.avi"]["bytes_present"].toInt(), 200);
  EXPECT_EQ(summary["to_download"].toInt(), 2);
  EXPECT_EQ(summary["bytes_to_download"].toInt(), 3000 + 300);
  EXPECT_FALSE(QFile::exists(folder + "/AlarmRecord/A2.avi")) << "nothing is downloaded";
  EXPECT_TRUE(run({"cameras", "recordings", "7"}).out.contains("3 recording(s) on the card; 2 to download"));
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// "cameras set" with standard input for the password.
test::ProgramResult run_with_input(const QProcessEnvironment& env, const QStringList& args,
                                   const QByteArray& input) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(VELMORA_BIN, args);
  EXPECT_TRUE(p.waitForStarted());
  p.write(input);
  p.closeWriteChannel();
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// Changes of one camera: checked like an add, saved, and a camera that
// failed in the running service starts again with the change.
TEST_F(Program, CamerasSetChangesACameraAndRestartsItInTheRunningService) {
  camsim::Config cfg;
  cfg.recordings = camsim::generate_recordings(2, 1000, 30000, 0.5, 22);
  auto cam = sim("127.0.2.220", cfg);
  ASSERT_EQ(run({"cameras", "add-local", "220", "127.0.2.220", "wrong"}).code, 0);
  ASSERT_EQ(run({"cameras", "add-local", "221", "127.0.2.221", "pw"}).code, 0);
  const std::string list_file =
      data_.path().toStdString() + "/OV/data/RecordAutoSynchronizationInfos.dat";

  Result r = run({"cameras", "set", "220", "address", "localhost", "alias", "Porch"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("localhost is 127.0.0.1")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("used from Velmora's next run")) << r.out.toStdString();
  Result list = run({"cameras", "list"});
  EXPECT_TRUE(list.out.contains("127.0.0.1") && list.out.contains("Porch")) << list.out.toStdString();
  r = run({"cameras", "set", "220", "address", "127.0.2.300"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("'127.0.2.300' is not an IPv4 address")) << r.err.toStdString();
  EXPECT_EQ(run({"cameras", "set", "220", "address", "127.0.2.221"}).code, 2);  // camera 221's
  EXPECT_EQ(run({"cameras", "set", "220", "address", "224.0.0.1"}).code, 2);
  EXPECT_EQ(run({"cameras", "set", "220", "server", "127.0.0.1"}).code, 2);  // a local camera
  EXPECT_EQ(run({"cameras", "set", "220", "password"}).code, 2);  // no terminal, no stdin
  EXPECT_EQ(run_with_input(env_, {"cameras", "set", "220", "--password-stdin", "password"},
                           "0123456789abcdef\n").code, 2);
  EXPECT_EQ(run({"cameras", "set", "220", "address", "127.0.2.220"}).code, 0);

  QProcess service;
  service.setProcessEnvironment(env_);
  QString out;
  QObject::connect(&service, &QProcess::readyReadStandardOutput,
                   [&] { out += QString::fromUtf8(service.readAllStandardOutput()); });
  service.start(VELMORA_BIN, {"--headless", "--now"});
  ASSERT_TRUE(wait_until([&] { return out.contains("wrong password", Qt::CaseInsensitive); }))
      << out.toStdString();
  r = run_with_input(env_, {"cameras", "set", "--password-stdin", "220", "password"}, "pw\n");
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("Changed camera 220: password (saved; the running Velmora "
                             "restarted the camera"))
      << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("pw\n"));
  const QString folder = data_.path() + "/OV/RecordDownload/220";
  ASSERT_TRUE(wait_until([&] {
    return QDir(folder + "/Manual").count() + QDir(folder + "/AlarmRecord").count() >= 2 + 4 &&
           out.contains("complete", Qt::CaseInsensitive);
  })) << out.toStdString();
  EXPECT_EQ(std::string(test::read_all(list_file).c_str() + 9), "pw");
  r = run({"cameras", "set", "220", "alias", "Gate"});
  EXPECT_TRUE(r.out.contains("shows it now")) << r.out.toStdString();
  service.terminate();
  ASSERT_TRUE(service.waitForFinished(20000));
  EXPECT_TRUE(run({"cameras", "list"}).out.contains("Gate"));

  // A remote camera's account: its server, user and password, never an address.
  ASSERT_EQ(run({"cameras", "add-remote", "230", "127.0.2.230", "alice", "pw", "SER1"}).code, 0);
  EXPECT_EQ(run({"cameras", "set", "230", "address", "127.0.2.231"}).code, 2);
  r = run_with_input(env_, {"cameras", "set", "230", "user", "bob", "server", "localhost",
                            "server-password", "--password-stdin"},
                     "s3\n");
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("user bob")) << r.out.toStdString();
  const std::string file = test::read_all(list_file);
  ASSERT_EQ(file.size(), 3 * 147u);
  const char* remote = file.c_str() + 2 * 147;
  EXPECT_EQ(std::string(remote + 29), "bob");
  EXPECT_EQ(std::string(remote + 79), "s3");
  EXPECT_EQ(std::string(remote + 131), "127.0.0.1");
}

}  // namespace
}  // namespace velmora
