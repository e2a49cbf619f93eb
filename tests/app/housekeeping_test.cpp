// The engine's housekeeping against simulated cameras on ports of their own: the
// free-space guard (through an injected probe), retention after a run and
// deleting verified recordings from the camera.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "app_test_support.h"
#include "engine_test_support.h"
#include "camsim.h"
#include "disk_space.h"
#include "download_layout.h"
#include "sync_controller.h"
#include "window_messages.h"

namespace velmora {
namespace {

using test::read_all;
using test::wait_until;

using test::content;
using test::rec;

void set_mtime(const std::string& path, std::time_t when) {
  const timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class Housekeeping : public ::testing::Test {
protected:
  void SetUp() override { test::qt_app(); }
  void TearDown() override {
    ctl_.reset();
    if (sim_) sim_->stop();
  }

  camsim::CameraSimulator& start_sim(const std::string& address,
                                     std::vector<camsim::Recording> recordings,
                                     camsim::Config cfg = {}) {
    cfg.address = address;
    cfg.port = 0;
    cfg.password = "pw";
    cfg.recordings = std::move(recordings);
    sim_ = std::make_unique<camsim::CameraSimulator>(cfg);
    EXPECT_EQ(sim_->start(), 0) << "cannot listen on " << address;
    ports_.add(address, sim_->port());
    return *sim_;
  }

  void start_engine(std::int32_t id, const std::string& address) {
    ControllerOptions options = test::quiet_controller_options(dir_);
    options.camera_port = ports_.lookup();
    options.free_space = probe_;
    ctl_ = std::make_unique<SyncController>(options);
    ASSERT_TRUE(ctl_->start());
    ctl_->scheduler().set_pacing_ms(0);
    QObject::connect(ctl_.get(), &SyncController::statusChanged, ctl_.get(),
                     [this](int, int status) { last_status_ = status; });
    QObject::connect(ctl_.get(), &SyncController::cardDeleteAnswered, ctl_.get(),
                     [this](int, const QString& name, int result) {
                       answers_.emplace_back(name.toStdString(), result);
                     });
    CameraRecord r;
    std::string error;
    ASSERT_TRUE(make_local_record(id, address, "pw", r, error)) << error;
    ctl_->add_or_update(r);
    id_ = id;
  }

  // One run of the camera to its end; its final status.
  int run_once() {
    last_status_ = 0;
    ctl_->start_camera(id_);
    EXPECT_TRUE(wait_until([&] { return status_is_final(last_status_); }, 30000));
    return last_status_;
  }

  std::string root() const { return ctl_->scheduler().download_root(); }
  std::string manual(const std::string& file) const {
    return manual_folder(root(), id_) + file;
  }

  QTemporaryDir dir_;
  test::SimPorts ports_;
  FreeSpaceProbe probe_;  // set before start_engine
  std::unique_ptr<camsim::CameraSimulator> sim_;
  std::unique_ptr<SyncController> ctl_;
  std::int32_t id_ = 0;
  int last_status_ = 0;
  std::vector<std::pair<std::string, int>> answers_;
};

TEST_F(Housekeeping, DiskGuardStopsBetweenChunksAndTheNextRunAfterSpaceIsBackIsExact) {
  const auto big = rec("BIG00001.avi", 600000, 0, 41);   // five chunks
  const auto small = rec("SMALL001.avi", 70000, 0, 42);
  auto& sim = start_sim("127.0.15.1", {big, small});
  // Plenty for the start and two chunk requests, then nearly nothing.
  std::atomic<int> probes{0};
  std::atomic<bool> space_back{false};
  probe_ = [&](const std::string&) -> std::int64_t {
    if (space_back) return std::int64_t{8} << 30;
    return ++probes <= 3 ? std::int64_t{8} << 30 : std::int64_t{100} << 20;
  };
  start_engine(1501, "127.0.15.1");
  ctl_->settings().min_free_bytes = std::int64_t{1} << 30;
  ctl_->apply_disk_settings();

  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  EXPECT_NE(ctl_->view(id_).reason.find("disk full: 100.0 MiB free"), std::string::npos)
      << ctl_->view(id_).reason;
  EXPECT_TRUE(ctl_->retry_list().empty());  // not retried every minute
  EXPECT_EQ(sim.stats().downloads.size(), 2u);
  // No final file; the partial one holds exactly the two chunks, as sent.
  EXPECT_FALSE(file_exists(manual("BIG00001.avi")));
  EXPECT_EQ(read_all(manual("BIG00001.tmp")), content(big).substr(0, 2 * 131072));

  // Still full: the next start does not even connect.
  const int connections = sim.stats().connections;
  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  EXPECT_EQ(sim.stats().connections, connections);

  space_back = true;
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(read_all(manual("BIG00001.avi")), content(big));
  EXPECT_EQ(read_all(manual("SMALL001.avi")), content(small));
  EXPECT_EQ(sim.stats().downloads[2].offset, 2u * 131072);  // resumed, not restarted

  // min-free 0 switches the guard off whatever the probe says.
  space_back = false;
  ctl_->settings().min_free_bytes = 0;
  ctl_->apply_disk_settings();
  sim.set_recordings({big, small, rec("LATE0001.avi", 5000, 0, 43)});
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
}

TEST_F(Housekeeping, RetentionRemovesOnlyOldFinalRecordingsAfterASuccessfulRun) {
  const auto fresh = rec("FRESH001.avi", 3000, 0, 51);
  start_sim("127.0.15.2", {fresh});
  start_engine(1502, "127.0.15.2");
  const std::time_t now = std::time(nullptr);
  const std::time_t old = now - 40 * 86400;
  const std::string alarm = alarm_folder(root(), id_);
  std::filesystem::create_directories(alarm);
  std::filesystem::create_directories(manual_folder(root(), id_));
  // Old files: ours (removed), a partial, foreign ones, a folder, a link.
  const std::vector<std::string> gone = {manual("OLD00001.avi"), alarm + "OLD00002.avi"};
  const std::vector<std::string> kept = {manual("OLD00003.tmp"), manual("notes.txt"),
                                         manual("OLD.AVI"), alarm + "young.avi",
                                         root() + "/other-program/OLD00004.avi"};
  test::write_all(gone[0], std::string(1000, 'a'));
  test::write_all(gone[1], std::string(234, 'b'));
  std::filesystem::create_directories(root() + "/other-program");
  for (const auto& f : kept) test::write_all(f, "x");
  std::filesystem::create_directories(manual("folder.avi"));
  std::filesystem::create_symlink(root() + "/other-program/OLD00004.avi", manual("link.avi"));
  for (const auto& f : gone) set_mtime(f, old);
  for (const auto& f : kept) set_mtime(f, old);
  set_mtime(alarm + "young.avi", now - 5 * 86400);
  set_mtime(manual("link.avi"), old);

  // keep-days 0 (the default) keeps everything.
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  for (const auto& f : gone) EXPECT_TRUE(file_exists(f)) << f;

  ctl_->settings().keep_days = 30;
  int removed_files = -1;
  qint64 removed_bytes = -1;
  QObject::connect(ctl_.get(), &SyncController::recordingsRemoved, ctl_.get(),
                   [&](int, int files, qint64 bytes, int) {
                     removed_files = files;
                     removed_bytes = bytes;
                   });
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(removed_files, 2);
  EXPECT_EQ(removed_bytes, 1234);
  EXPECT_EQ(ctl_->view(id_).removed_files, 2);
  // The run's record (history, --json) carries the same count.
  ASSERT_NE(ctl_->last_run(id_), nullptr);
  EXPECT_EQ(ctl_->last_run(id_)->removed_files, 2);
  EXPECT_EQ(ctl_->view(id_).removed_bytes, 1234u);
  for (const auto& f : gone) EXPECT_FALSE(file_exists(f)) << f;
  for (const auto& f : kept) EXPECT_TRUE(file_exists(f)) << f;
  EXPECT_TRUE(std::filesystem::is_directory(manual("folder.avi")));
  EXPECT_TRUE(std::filesystem::is_symlink(manual("link.avi")));
  EXPECT_EQ(read_all(manual("FRESH001.avi")), content(fresh));  // just written: young

  // A recording the camera still holds is not fetched again once retention
  // removed it; one of the same name but another length is a new recording.
  set_mtime(manual("FRESH001.avi"), old);
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_FALSE(file_exists(manual("FRESH001.avi")));
  const std::size_t fetched = sim_->stats().downloads.size();
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(sim_->stats().downloads.size(), fetched);
  EXPECT_FALSE(file_exists(manual("FRESH001.avi")));
  const auto replaced = rec("FRESH001.avi", 3100, 0, 52);
  sim_->set_recordings({replaced});
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(read_all(manual("FRESH001.avi")), content(replaced));

  // A failed run removes nothing.
  test::write_all(manual("OLD00005.avi"), "y");
  set_mtime(manual("OLD00005.avi"), old);
  sim_->stop();
  EXPECT_NE(run_once(), STATUS_COMPLETE);
  EXPECT_TRUE(file_exists(manual("OLD00005.avi")));
}

TEST_F(Housekeeping, DeleteAfterCopyFreesOnlyVerifiedRecordingsAndReportsRefusals) {
  const auto a = rec("DEL00001.avi", 150000, 0, 61);
  const auto b = rec("DEL00002.avi", 4000, 1, 62);
  const auto refused = rec("DEL00003.avi", 5000, 0, 63);   // download refused: never on disk
  const auto short_copy = rec("DEL00004.avi", 9000, 0, 64);  // final file shorter than listed
  camsim::Config cfg;
  cfg.refuse_downloads = {refused.name};
  auto& sim = start_sim("127.0.15.3", {a, b, refused, short_copy}, cfg);
  start_engine(1503, "127.0.15.3");
  std::filesystem::create_directories(manual_folder(root(), id_));
  test::write_all(manual("DEL00004.avi"), std::string(8999, 'z'));

  // Off by default: nothing is asked.
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(sim.stats().delete_requests, 0);

  ASSERT_TRUE(ctl_->set_camera_options(id_, CameraOptions{true}));
  // The camera refuses: it keeps everything and the run says so.
  sim.set_refuse_deletes(true);
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(sim.recordings().size(), 4u);
  EXPECT_EQ(ctl_->view(id_).card_deleted, 0);
  EXPECT_EQ(ctl_->view(id_).card_kept, 2);
  ASSERT_EQ(answers_.size(), 2u);
  EXPECT_EQ(answers_[0], std::make_pair(a.name, int{CARD_DELETE_REFUSED}));

  // Accepted: one request per verified recording, the others stay.
  answers_.clear();
  sim.set_refuse_deletes(false);
  const int before = sim.stats().delete_requests;
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(sim.stats().delete_requests - before, 2);
  EXPECT_EQ(sim.stats().deleted, (std::vector<std::string>{a.name, b.name}));
  ASSERT_EQ(sim.recordings().size(), 2u);
  EXPECT_EQ(sim.recordings()[0].name, refused.name);
  EXPECT_EQ(sim.recordings()[1].name, short_copy.name);
  EXPECT_EQ(ctl_->view(id_).card_deleted, 2);
  EXPECT_EQ(ctl_->view(id_).card_kept, 0);
  ASSERT_NE(ctl_->last_run(id_), nullptr);
  EXPECT_EQ(ctl_->last_run(id_)->card_deleted, 2);
  // The copies themselves are untouched.
  EXPECT_EQ(read_all(manual("DEL00001.avi")), content(a));

  // A camera that never answers: the first delete times out, no more are asked.
  sim.set_recordings({a, b});
  sim.set_answer_deletes(false);
  WorkerTimes times;
  times.delete_answer_ms = 300;
  ctl_->scheduler().set_worker_times(times);
  answers_.clear();
  const int asked = sim.stats().delete_requests;
  EXPECT_EQ(run_once(), STATUS_COMPLETE);
  EXPECT_EQ(sim.stats().delete_requests - asked, 1);
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_EQ(answers_[0].second, CARD_DELETE_NO_ANSWER);

  // Removing the camera drops its options.
  ASSERT_TRUE(ctl_->remove_camera(id_));
  EXPECT_TRUE(ctl_->camera_options(id_).is_default());
  EXPECT_TRUE(load_camera_options(AppPaths::at(dir_.path().toStdString()).camera_options_file())
                  .empty());
}

// A full disk is told once per run through the notify command: its words
// and the camera, outcome and reason as arguments (never through a shell)
// and in the environment; a command that hangs is stopped at its time limit,
// one that fails is logged, and neither touches the runs.
TEST_F(Housekeeping, NotifyCommandTellsAFullDiskOncePerRunWithoutAShell) {
  start_sim("127.0.15.9", {rec("N0000001.avi", 1000, 0, 43)});
  probe_ = [](const std::string&) -> std::int64_t { return std::int64_t{100} << 20; };
  start_engine(1509, "127.0.15.9");
  ctl_->set_alias(id_, "Porch");
  const std::string out = dir_.path().toStdString() + "/told";
  const std::string script = dir_.path().toStdString() + "/tell me.sh";
  test::write_all(script,
                  "#!/bin/sh\nprintf '<%s>' \"$@\" >> \"$OUT\"\n"
                  "printf ' %s|%s|%s|%s\\n' \"$VELMORA_CAMERA\" \"$VELMORA_CAMERA_NAME\" "
                  "\"$VELMORA_OUTCOME\" \"$VELMORA_REASON\" >> \"$OUT\"\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  qputenv("OUT", QByteArray::fromStdString(out));
  std::vector<QString> done;
  QObject::connect(&ctl_->notifier(), &RunNotifier::commandDone, ctl_.get(),
                   [&](const QString& problem) { done.push_back(problem); });
  ctl_->settings().notify_command = "\"" + script + "\" 'one word' $HOME;x";

  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  ASSERT_TRUE(wait_until([&] { return done.size() == 1; }, 30000));
  EXPECT_EQ(done[0].toStdString(), "");
  const std::string reason = ctl_->view(id_).reason;
  EXPECT_EQ(read_all(out), "<'one><word'><$HOME;x><1509><disk-full><" + reason + "><Porch> 1509|Porch|disk-full|" +
                               reason + "\n");
  EXPECT_NE(reason.find("disk full"), std::string::npos) << reason;

  // The runs a retry would make are the same run: nothing new is told until
  // the camera is started again. A posted end stands in for a retry here.
  ctl_->post(SyncStatusEvent{id_, STATUS_WAITING});
  ctl_->post(SyncStatusEvent{id_, STATUS_DISK_FULL});
  test::pump_for(200);
  EXPECT_EQ(done.size(), 1u);

  ctl_->notifier().set_command_time_limit_ms(300);
  const std::string hangs = dir_.path().toStdString() + "/hangs";
  test::write_all(hangs, "#!/bin/sh\nexec sleep 30\n");
  ASSERT_EQ(::chmod(hangs.c_str(), 0755), 0);
  ctl_->settings().notify_command = hangs;
  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  ASSERT_TRUE(wait_until([&] { return done.size() == 2; }, 30000));
  EXPECT_EQ(done[1].toStdString(), "the notify command " + hangs + " did not end within 1 s; stopped");

  ctl_->settings().notify_command = "false";
  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  ASSERT_TRUE(wait_until([&] { return done.size() == 3; }, 30000));
  EXPECT_EQ(done[2].toStdString(), "the notify command false ended with status 1");

  ctl_->settings().notify_command = "/nonexistent/tell";
  EXPECT_EQ(run_once(), STATUS_DISK_FULL);
  ASSERT_TRUE(wait_until([&] { return done.size() == 4; }, 30000));
  EXPECT_TRUE(done[3].startsWith("cannot start the notify command /nonexistent/tell: "))
      << done[3].toStdString();
  qunsetenv("OUT");
}

}  // namespace
}  // namespace velmora
