// The engine end to end: SyncController, scheduler and download workers
// against simulated cameras on ports of their own.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app_test_support.h"
#include "engine_test_support.h"
#include "camsim.h"
#include "download_layout.h"
#include "sync_controller.h"
#include "sync_display.h"
#include "window_messages.h"

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;
using test::read_all;
using test::wait_until;

constexpr const char* kPassword = "cam-pw";

using test::content;
using test::rec;

class SyncE2E : public ::testing::Test {
protected:
  struct StatusEvent {
    int id;
    int status;
    Clock::time_point at;
  };

  void SetUp() override { test::qt_app(); }

  void TearDown() override {
    ctl_.reset();
    for (auto& s : sims_) s->stop();
  }

  camsim::CameraSimulator& add_sim(const std::string& address,
                                   std::vector<camsim::Recording> recordings,
                                   camsim::Config cfg = {}) {
    cfg.address = address;
    cfg.port = 0;
    cfg.password = kPassword;
    cfg.recordings = std::move(recordings);
    sims_.push_back(std::make_unique<camsim::CameraSimulator>(cfg));
    EXPECT_EQ(sims_.back()->start(), 0) << "cannot listen on " << address;
    ports_.add(address, sims_.back()->port());
    return *sims_.back();
  }

  void start(int concurrency = 4, int retry_ms = 60000) {
    ControllerOptions o;
    o.paths = AppPaths::at(dir_.path().toStdString());
    o.link_dir = dir_.path() + "/link";
    o.listen_link = false;
    o.retry_interval_ms = retry_ms;
    o.camera_port = ports_.lookup();
    ctl_ = std::make_unique<SyncController>(o);
    ASSERT_TRUE(ctl_->start());
    ctl_->scheduler().set_concurrency(concurrency);
    QObject::connect(ctl_.get(), &SyncController::statusChanged, ctl_.get(),
                     [this](int id, int status) {
                       events_.push_back({id, status, Clock::now()});
                       max_active_ = std::max(max_active_, ctl_->scheduler().active_count());
                     });
    QObject::connect(ctl_.get(), &SyncController::fileFailed, ctl_.get(),
                     [this](int id, const QString& name, const QString&) {
                       failures_.push_back({id, name.toStdString()});
                     });
  }

  void add_camera(std::int32_t id, const std::string& address, const char* password = kPassword) {
    CameraRecord r;
    std::string error;
    ASSERT_TRUE(make_local_record(id, address, password, r, error)) << error;
    ctl_->add_or_update(r);
  }

  std::string root() const { return ctl_->scheduler().download_root(); }

  std::string final_path(std::int32_t id, const camsim::Recording& r) const {
    NVS_SDK_V160::RECORD_FILE_ENTRY e{};
    std::strncpy(e.file_name, r.name.c_str(), sizeof e.file_name - 1);
    e.record_kind = r.kind;
    RecordingPaths p;
    recording_paths(root(), id, e, p);
    return p.final_path;
  }

  std::vector<int> statuses_of(int id) const {
    std::vector<int> out;
    for (const auto& e : events_)
      if (e.id == id) out.push_back(e.status);
    return out;
  }

  int last_status(int id) const {
    auto s = statuses_of(id);
    return s.empty() ? 0 : s.back();
  }

  // Waits until the camera's latest status ends a run.
  bool wait_final(int id, int timeout_ms = 30000) {
    return wait_until([&] { return status_is_final(last_status(id)); }, timeout_ms);
  }

  QTemporaryDir dir_;
  std::vector<std::unique_ptr<camsim::CameraSimulator>> sims_;
  test::SimPorts ports_;
  std::unique_ptr<SyncController> ctl_;
  std::vector<StatusEvent> events_;
  std::vector<std::pair<int, std::string>> failures_;
  int max_active_ = 0;
};

TEST_F(SyncE2E, LimitTwoLetsTheThirdCameraWait) {
  const std::string addr[3] = {"127.0.2.10", "127.0.2.11", "127.0.2.12"};
  std::vector<camsim::Recording> recs[3];
  for (int i = 0; i < 3; ++i) {
    recs[i] = camsim::generate_recordings(3, 20000, 200000, 0.5, 100 + i);
    add_sim(addr[i], recs[i]);
  }
  start(2);
  for (int i = 0; i < 3; ++i) add_camera(100 + i, addr[i]);
  ctl_->start_all();

  // The third one waits with 138 while the first two connect.
  EXPECT_EQ(ctl_->scheduler().active_count(), 2);
  EXPECT_EQ(ctl_->scheduler().state_of(102), 1);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(wait_final(100 + i)) << i;

  EXPECT_LE(max_active_, 2);
  auto third = statuses_of(102);
  ASSERT_GE(third.size(), 2u);
  EXPECT_EQ(third[0], STATUS_WAITING);
  EXPECT_EQ(third[1], STATUS_CONNECTING);
  // It connected only after one of the others had finished.
  Clock::time_point third_start{}, first_end = Clock::time_point::max();
  for (const auto& e : events_) {
    if (e.id == 102 && e.status == STATUS_CONNECTING) third_start = e.at;
    if (e.id != 102 && e.status == STATUS_COMPLETE) first_end = std::min(first_end, e.at);
  }
  EXPECT_LE(first_end, third_start);

  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(last_status(100 + i), STATUS_COMPLETE);
    EXPECT_EQ(ctl_->view(100 + i).done, 3);
    for (const auto& r : recs[i]) EXPECT_EQ(read_all(final_path(100 + i, r)), content(r)) << r.name;
  }
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
}

TEST_F(SyncE2E, ResumesFromPartialFileInExactChunks) {
  const auto big = rec("RESUME01.avi", 300000, 0, 11);
  auto& sim = add_sim("127.0.2.20", {big});
  start();
  add_camera(200, "127.0.2.20");
  // An earlier run left the first 50000 bytes.
  const std::string want = content(big);
  std::filesystem::create_directories(root() + "/200/Manual");
  test::write_all(root() + "/200/Manual/RESUME01.tmp", want.substr(0, 50000));

  ctl_->start_camera(200);
  ASSERT_TRUE(wait_final(200));
  EXPECT_EQ(last_status(200), STATUS_COMPLETE);
  auto downloads = sim.stats().downloads;
  ASSERT_EQ(downloads.size(), 2u);
  EXPECT_EQ(downloads[0].offset, 50000u);
  EXPECT_EQ(downloads[0].length, 131072u);
  EXPECT_EQ(downloads[1].offset, 181072u);
  EXPECT_EQ(downloads[1].length, 118928u);
  EXPECT_EQ(read_all(root() + "/200/Manual/RESUME01.avi"), want);
  EXPECT_FALSE(file_exists(root() + "/200/Manual/RESUME01.tmp"));
}

TEST_F(SyncE2E, FilesByKindSkipsExistingAndHandlesOddSizes) {
  const auto alarm = rec("ALARM01.avi", 70000, 1, 21);
  const auto manual = rec("MANUAL01.avi", 131072, 0, 22);  // exactly one chunk
  const auto odd_kind = rec("ODD01.avi", 5000, 7, 23);
  const auto no_ext = rec("NOEXT01", 6000, 0, 24);
  const auto empty = rec("EMPTY01.avi", 0, 1, 25);
  const auto present = rec("HAVE01.avi", 90000, 0, 26);
  const auto too_long = rec("LONG01.avi", 40000, 1, 27);   // partial longer than it
  const auto whole = rec("WHOLE01.avi", 30000, 0, 28);     // partial as long as it
  auto& sim = add_sim("127.0.2.21",
                      {alarm, manual, odd_kind, no_ext, empty, present, too_long, whole});
  start();
  add_camera(210, "127.0.2.21");
  std::filesystem::create_directories(root() + "/210/Manual");
  std::filesystem::create_directories(root() + "/210/AlarmRecord");
  test::write_all(root() + "/210/Manual/HAVE01.avi", "different size, still counts as present");
  test::write_all(root() + "/210/AlarmRecord/LONG01.tmp", std::string(50000, 'x'));
  test::write_all(root() + "/210/Manual/WHOLE01.tmp", content(whole));

  ctl_->start_camera(210);
  ASSERT_TRUE(wait_final(210));
  EXPECT_EQ(last_status(210), STATUS_COMPLETE);
  EXPECT_TRUE(failures_.empty());

  EXPECT_EQ(read_all(root() + "/210/AlarmRecord/ALARM01.avi"), content(alarm));
  EXPECT_EQ(read_all(root() + "/210/Manual/MANUAL01.avi"), content(manual));
  EXPECT_EQ(read_all(root() + "/210/Manual/ODD01.avi"), content(odd_kind));
  EXPECT_EQ(read_all(root() + "/210/Manual/NOEXT01.avi"), content(no_ext));
  EXPECT_TRUE(file_exists(root() + "/210/AlarmRecord/EMPTY01.avi"));
  EXPECT_EQ(read_all(root() + "/210/AlarmRecord/EMPTY01.avi"), "");
  EXPECT_EQ(read_all(root() + "/210/AlarmRecord/LONG01.avi"), content(too_long));
  EXPECT_EQ(read_all(root() + "/210/Manual/WHOLE01.avi"), content(whole));
  EXPECT_EQ(read_all(root() + "/210/Manual/HAVE01.avi"), "different size, still counts as present");

  std::set<std::string> fetched;
  for (const auto& d : sim.stats().downloads) fetched.insert(d.name);
  EXPECT_EQ(fetched, (std::set<std::string>{"ALARM01.avi", "MANUAL01.avi", "ODD01.avi",
                                            "NOEXT01", "LONG01.avi"}));
  for (const auto& d : sim.stats().downloads) {
    EXPECT_GT(d.length, 0u) << d.name;
    if (d.name == "LONG01.avi") {
      EXPECT_EQ(d.offset, 0u);
    }
  }
  EXPECT_EQ(ctl_->view(210).total, 7);
  EXPECT_EQ(ctl_->view(210).done, 7);

  // A second run finds everything and fetches nothing.
  const std::size_t before = sim.stats().downloads.size();
  ctl_->start_camera(210);
  ASSERT_TRUE(wait_until([&] { return statuses_of(210).size() >= 8 && status_is_final(last_status(210)); }));
  EXPECT_EQ(last_status(210), STATUS_COMPLETE);
  EXPECT_EQ(sim.stats().downloads.size(), before);
  EXPECT_EQ(ctl_->view(210).total, 0);
}

TEST_F(SyncE2E, RefusedDownloadIsSkipped) {
  const auto ok = rec("OK01.avi", 40000, 0, 31);
  const auto refused = rec("NO01.avi", 40000, 0, 32);
  camsim::Config cfg;
  cfg.refuse_downloads = {"NO01.avi"};
  add_sim("127.0.2.22", {refused, ok}, cfg);
  start();
  add_camera(220, "127.0.2.22");
  ctl_->start_camera(220);
  ASSERT_TRUE(wait_final(220));
  EXPECT_EQ(last_status(220), STATUS_COMPLETE);
  EXPECT_EQ(read_all(final_path(220, ok)), content(ok));
  EXPECT_FALSE(file_exists(final_path(220, refused)));
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].second, "NO01.avi");
  EXPECT_EQ(ctl_->view(220).done, 1);
  EXPECT_EQ(ctl_->view(220).total, 2);
}

TEST_F(SyncE2E, WrongPasswordIsNotRetried) {
  auto& sim = add_sim("127.0.2.23", {rec("A.avi", 1000, 0, 41)});
  start(4, 300);
  add_camera(230, "127.0.2.23", "not-the-pw");
  ctl_->start_camera(230);
  ASSERT_TRUE(wait_final(230));
  EXPECT_EQ(last_status(230), STATUS_WRONG_PASSWORD);
  EXPECT_TRUE(ctl_->retry_list().empty());
  const int logins = sim.stats().connections;
  test::pump_for(1500);  // several retry intervals
  EXPECT_EQ(sim.stats().connections, logins);
  EXPECT_EQ(ctl_->scheduler().state_of(230), 0);
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
}

TEST_F(SyncE2E, DroppedConnectionIsRetriedAndResumes) {
  const auto big = rec("DROP01.avi", 400000, 1, 51);
  camsim::Config cfg;
  cfg.drop_after_download_bytes = 150000;
  auto& sim = add_sim("127.0.2.24", {big}, cfg);
  start(4, 500);
  add_camera(240, "127.0.2.24");
  ctl_->start_camera(240);
  // Any report of the interrupted run will do: on a busy machine the retry
  // may already be under way when the wait looks.
  const auto interrupted = [&] {
    const auto s = statuses_of(240);
    return std::find(s.begin(), s.end(), STATUS_INTERRUPTED) != s.end();
  };
  ASSERT_TRUE(wait_until(interrupted, 60000)) << ::testing::PrintToString(statuses_of(240));
  // The interrupted run counts what it wrote into the partial file.
  ASSERT_NE(ctl_->last_run(240), nullptr);
  const std::uint64_t first = ctl_->last_run(240)->bytes;
  EXPECT_GE(first, 131072u);
  EXPECT_LE(first, 150000u);
  sim.set_drop_after_download_bytes(0);
  ASSERT_TRUE(wait_until([&] { return last_status(240) == STATUS_COMPLETE; }, 60000))
      << ::testing::PrintToString(statuses_of(240));
  // The resumed run counts from where the partial file was; together the
  // runs wrote the whole recording (more when a cut chunk was fetched again).
  EXPECT_EQ(ctl_->last_run(240)->resumed, 1);
  EXPECT_LT(ctl_->last_run(240)->bytes, 400000u);
  std::uint64_t written = 0;
  for (const RunResult& r : RunHistory(ctl_->options().paths.history_file()).read())
    written += r.camera_id == 240 ? r.bytes : 0;
  EXPECT_GE(written, 400000u);

  auto s = statuses_of(240);
  EXPECT_NE(std::find(s.begin(), s.end(), STATUS_INTERRUPTED), s.end());
  EXPECT_GE(sim.stats().connections, 2);
  // The retry resumed where the partial file ended instead of starting over;
  // the bytes of the chunk cut short were dropped, so that is the end of
  // the last whole chunk.
  auto downloads = sim.stats().downloads;
  auto at = [&](std::uint32_t offset) {
    return std::count_if(downloads.begin(), downloads.end(),
                         [&](const auto& d) { return d.offset == offset; });
  };
  EXPECT_EQ(at(0), 1);
  EXPECT_GE(at(131072), 2);
  EXPECT_EQ(read_all(final_path(240, big)), content(big));
  EXPECT_TRUE(ctl_->retry_list().empty());
}

// The log of a service: one line per stored file and per outcome, a
// camera that keeps failing said in full once and then at most once per
// interval, a wrong password with its fix; meanwhile the live snapshot tells
// the file in transfer, its speed and when the next retry comes.
TEST_F(SyncE2E, ServiceLogIsShortAndTheLiveSnapshotFollowsTheRun) {
  const auto big = rec("L2.avi", 3 * 131072 + 500, 0, 82);
  add_sim("127.0.2.27", {rec("L1.avi", 3000, 0, 81), big, rec("L3.avi", 5000, 1, 83)});
  add_sim("127.0.2.28", {rec("W.avi", 1000, 0, 84)});
  auto& gone = add_sim("127.0.2.29", {});
  gone.stop();  // its port refuses every connect from now on
  start(4, 200);
  std::FILE* log = std::tmpfile();
  ASSERT_NE(log, nullptr);
  auto display = std::make_unique<SyncDisplay>(*ctl_, log, false, 1000);
  add_camera(270, "127.0.2.27");
  add_camera(271, "127.0.2.28", "not-the-pw");
  add_camera(272, "127.0.2.29");
  ctl_->start_all();

  LiveCamera during;
  ASSERT_TRUE(wait_until([&] {
    during = ctl_->live(270);
    return (during.file == "L2.avi" && during.speed > 0) || last_status(270) == STATUS_COMPLETE;
  }));
  EXPECT_EQ(during.state, "syncing");
  EXPECT_EQ(during.file_size, big.size);
  EXPECT_EQ(during.total, 3);
  EXPECT_GE(during.eta, 0);
  LiveCamera back;
  ASSERT_TRUE(live_from_json(live_to_json(during), back));
  EXPECT_EQ(back.file, during.file);
  EXPECT_EQ(back.file_bytes, during.file_bytes);
  EXPECT_EQ(back.eta, during.eta);

  ASSERT_TRUE(wait_until([&] {
    return last_status(270) == STATUS_COMPLETE && last_status(271) == STATUS_WRONG_PASSWORD &&
           ctl_->view(272).failed_runs >= 12;
  }));
  const LiveCamera retry = ctl_->live(272);
  EXPECT_TRUE(retry.state == "retry-wait" || retry.state == "waiting" ||
              retry.state == "connecting")
      << retry.state;
  EXPECT_GE(retry.failed_runs, 12);
  EXPECT_GT(retry.failing_since, 0);
  EXPECT_EQ(ctl_->live(270).state, "complete");
  EXPECT_EQ(ctl_->live(270).run_bytes, 3000u + big.size + 5000u);
  display->finish();

  std::rewind(log);
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, log)) > 0;) text.append(buf, n);
  std::fclose(log);
  const auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("camera 270 (127.0.2.27): stored "), 3u) << text;
  EXPECT_EQ(count("stored L2.avi (384.5 KB, file "), 1u) << text;
  EXPECT_EQ(count("%"), 0u) << text;
  EXPECT_EQ(count("camera 270"), 3u + 1 + 1) << text;  // connect, three files, outcome
  EXPECT_EQ(count("camera 271"), 2u) << text;           // connect, outcome
  EXPECT_EQ(count("not retried until it is fixed: velmora cameras set 271 password"), 1u) << text;
  // One connect and one failure said in full; then a reminder at most once a
  // second, far fewer than the attempts.
  const std::size_t reminders = count("camera 272 (127.0.2.29): still failing since ");
  EXPECT_EQ(count("camera 272"), 2u + reminders) << text;
  EXPECT_GE(reminders, 1u) << text;
  EXPECT_LT(reminders * 2, static_cast<std::size_t>(ctl_->view(272).failed_runs)) << text;
}

TEST_F(SyncE2E, SilentCameraTimesOut) {
  camsim::Config cfg;
  cfg.answer_login = false;
  add_sim("127.0.2.25", {rec("A.avi", 1000, 0, 61)}, cfg);
  start();
  // Id 3 is also the retry timer's identifier: the two must not meet.
  add_camera(3, "127.0.2.25");
  const auto t0 = Clock::now();
  ctl_->start_camera(3);
  ASSERT_TRUE(wait_final(3, 20000));
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0);
  EXPECT_EQ(last_status(3), STATUS_TIMED_OUT);
  EXPECT_GE(waited.count(), 4500);
  EXPECT_EQ(ctl_->retry_list(), std::deque<std::int32_t>{3});
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
  EXPECT_TRUE(ctl_->window_timer_active(TIMER_RETRY));
  EXPECT_TRUE(ctl_->window_timer_active(TIMER_SPEED));
}

TEST_F(SyncE2E, ContinuationRequestsAreSpacedAndOthersKeepFlowing) {
  const auto big = rec("SLOW01.avi", 5 * 131072 + 1000, 0, 71);
  auto& slow = add_sim("127.0.2.26", {big});
  // Many one-chunk recordings: each asked for at once, so this camera only
  // keeps pace if the other camera's waits do not hold the library's thread.
  const auto small = camsim::generate_recordings(20, 2000, 4000, 0.5, 5);
  add_sim("127.0.2.30", small);
  start();
  add_camera(260, "127.0.2.26");
  add_camera(261, "127.0.2.30");
  ctl_->start_all();
  ASSERT_TRUE(wait_final(260));
  ASSERT_TRUE(wait_final(261));
  EXPECT_EQ(last_status(260), STATUS_COMPLETE);
  EXPECT_EQ(last_status(261), STATUS_COMPLETE);
  auto d = slow.stats().downloads;
  Clock::time_point fast_done{};
  for (const auto& e : events_)
    if (e.id == 261 && e.status == STATUS_COMPLETE) fast_done = e.at;
  ASSERT_EQ(d.size(), 6u);
  // Had the slow camera's waits held the library's thread, the fast one
  // would need 20 of them (10 s); it is done long before the slow one's 5.
  EXPECT_LT(fast_done, d.back().at) << "the fast camera waited for the slow one";
  // 500 ms apart at the sender. One request delivered late shortens the next
  // gap as seen here, so single gaps get a wide margin and the whole span a
  // narrow one.
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  for (std::size_t i = 1; i < d.size(); ++i) {
    EXPECT_GE(duration_cast<milliseconds>(d[i].at - d[i - 1].at).count(), 250) << "request " << i;
    EXPECT_EQ(d[i].offset, d[i - 1].offset + d[i - 1].length);
  }
  EXPECT_GE(duration_cast<milliseconds>(d.back().at - d.front().at).count(), 5 * 500 - 100);
  EXPECT_EQ(read_all(final_path(260, big)), content(big));
}

TEST_F(SyncE2E, HostileFileNamesAreRefused) {
  const auto good = rec("GOOD01.avi", 3000, 0, 81);
  add_sim("127.0.2.27", {rec("../ESCAPE.avi", 3000, 0, 82), rec("..", 3000, 1, 83),
                         rec("sub/deep.avi", 3000, 0, 84), rec("back\\slash.avi", 3000, 0, 85),
                         good});
  start();
  add_camera(270, "127.0.2.27");
  ctl_->start_camera(270);
  ASSERT_TRUE(wait_final(270));
  EXPECT_EQ(last_status(270), STATUS_COMPLETE);
  EXPECT_EQ(read_all(final_path(270, good)), content(good));
  EXPECT_EQ(failures_.size(), 4u);
  // Nothing but the two sub-folders in the camera folder, nothing beside it.
  std::set<std::string> in_root, in_camera;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root()))
    in_root.insert(std::filesystem::relative(e.path(), root()).string());
  EXPECT_EQ(in_root, (std::set<std::string>{"270", "270/AlarmRecord", "270/Manual",
                                            "270/Manual/GOOD01.avi"}));
  EXPECT_FALSE(file_exists(root() + "/ESCAPE.avi"));
  EXPECT_FALSE(file_exists(root() + "/270/ESCAPE.avi"));
}

TEST_F(SyncE2E, EmptyCameraCompletesAndRenameNeverReplaces) {
  add_sim("127.0.2.31", {});
  const auto two_chunks = rec("RACE01.avi", 200000, 0, 95);
  add_sim("127.0.2.32", {two_chunks});
  start();
  add_camera(310, "127.0.2.31");
  add_camera(320, "127.0.2.32");
  // Someone else puts a file under the final name while the download runs.
  const std::string final_name = root() + "/320/Manual/RACE01.avi";
  QObject::connect(ctl_.get(), &SyncController::fileProgress, ctl_.get(), [&](int id, int pct) {
    if (id == 320 && pct > 0 && !file_exists(final_name)) test::write_all(final_name, "theirs");
  });
  ctl_->start_all();
  ASSERT_TRUE(wait_final(310));
  ASSERT_TRUE(wait_final(320));

  EXPECT_EQ(last_status(310), STATUS_COMPLETE);
  EXPECT_EQ(ctl_->view(310).done, 0);
  EXPECT_EQ(ctl_->view(310).total, 0);

  // Their file stays, ours is kept as the partial file, and the run does not
  // count the recording as done.
  EXPECT_EQ(last_status(320), STATUS_COMPLETE);
  EXPECT_EQ(read_all(final_name), "theirs");
  EXPECT_EQ(read_all(root() + "/320/Manual/RACE01.tmp"), content(two_chunks));
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].second, "RACE01.avi");
  EXPECT_EQ(ctl_->view(320).done, 0);
  EXPECT_EQ(ctl_->view(320).total, 1);
}

TEST_F(SyncE2E, IntervalCodeArmsTheAutomaticTimer) {
  // Code 0 (and any unknown code) leaves automatic synchronisation off.
  std::filesystem::create_directories(dir_.path().toStdString() + "/OV/QTX");
  test::write_all(dir_.path().toStdString() + "/OV/QTX/Settings.xml",
                  "<R><a>0</a><b>2</b><c>0</c></R>");
  start(2);
  EXPECT_FALSE(ctl_->window_timer_active(TIMER_AUTO_SYNC));
  EXPECT_EQ(ctl_->scheduler().concurrency(), 2);
  ctl_->settings().interval_code = 3;
  ctl_->post(IntervalChangedEvent{});
  ASSERT_TRUE(wait_until([&] { return ctl_->window_timer_active(TIMER_AUTO_SYNC); }));
  ctl_->settings().interval_code = 42;
  ctl_->post(IntervalChangedEvent{});
  ASSERT_TRUE(wait_until([&] { return !ctl_->window_timer_active(TIMER_AUTO_SYNC); }));

  // Only lParam 1 of the auto-start result flips the flag.
  ctl_->post(AutostartResultEvent{false});
  ctl_->post(AutostartResultEvent{true});
  ASSERT_TRUE(wait_until([&] { return ctl_->settings().auto_start; }));

  // Everything is written back at exit.
  ctl_->settings().interval_code = 3;
  ctl_->shutdown();
  const std::string saved = read_all(dir_.path().toStdString() + "/OV/QTX/Settings.xml");
  EXPECT_NE(saved.find("<AutoStart>1</AutoStart>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<MaxConcurrency>2</MaxConcurrency>"), std::string::npos);
  EXPECT_NE(saved.find("<AutoSynInterval>3</AutoSynInterval>"), std::string::npos);
}

// Nothing listens at the server address: the camera's connect timer ends it,
// and the server login is given up with it.
TEST_F(SyncE2E, RemoteCameraWithoutServerTimesOut) {
  start();
  CameraRecord r = make_empty_record();
  r.camera_id = 280;
  r.is_local = 0;
  set_field_text(r.serial, sizeof r.serial, "SER280");
  set_field_text(r.server_address, sizeof r.server_address, "127.0.2.28");
  ctl_->add_or_update(r);
  ctl_->start_camera(280);
  ASSERT_TRUE(wait_final(280, 20000));
  EXPECT_EQ(last_status(280), STATUS_TIMED_OUT);
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
  EXPECT_EQ(ctl_->scheduler().server_of("SER280"), nullptr);
}

TEST_F(SyncE2E, UserStopKeepsStoppedStatusAndLeavesRetryList) {
  camsim::Config cfg;
  cfg.answer_login = false;
  add_sim("127.0.2.29", {rec("A.avi", 1000, 0, 91)}, cfg);
  start(1);
  add_camera(290, "127.0.2.29");
  add_camera(291, "127.0.2.29");  // same silent camera, waits behind 290
  ctl_->start_all();
  EXPECT_EQ(ctl_->scheduler().state_of(291), 1);
  ctl_->stop_camera(291);   // waiting
  ctl_->stop_camera(290);   // connecting
  ASSERT_TRUE(wait_until([&] { return last_status(290) == STATUS_USER_STOPPED &&
                                      last_status(291) == STATUS_USER_STOPPED; }));
  test::pump_for(6000);  // past the connect timeout of the stopped camera
  EXPECT_EQ(last_status(290), STATUS_USER_STOPPED);
  EXPECT_TRUE(ctl_->retry_list().empty());
  EXPECT_EQ(ctl_->scheduler().active_count(), 0);
  // Starting twice changes nothing the second time.
  const auto n = events_.size();
  ctl_->start_camera(290);
  ctl_->start_camera(290);
  test::pump_for(100);
  EXPECT_EQ(ctl_->scheduler().active_count(), 1);
  std::vector<int> after;
  for (std::size_t i = n; i < events_.size(); ++i) after.push_back(events_[i].status);
  EXPECT_EQ(after, (std::vector<int>{STATUS_WAITING, STATUS_CONNECTING}));
}

// Raising the limit starts one waiting camera per added slot at once; a value
// above five is refused; lowering it stops nobody, and the next waiting camera
// starts only once the active count is below the new limit.
TEST_F(SyncE2E, ChangingTheLimitStartsButNeverStops) {
  camsim::Config cfg;
  cfg.answer_login = false;  // every camera stays connecting
  add_sim("127.0.2.33", {rec("A.avi", 1000, 0, 93)}, cfg);
  start(1);
  for (int id = 330; id < 334; ++id) add_camera(id, "127.0.2.33");
  ctl_->start_all();
  SyncScheduler& s = ctl_->scheduler();
  EXPECT_EQ(s.active_count(), 1);
  EXPECT_EQ(s.waiting().size(), 3u);

  EXPECT_TRUE(s.set_concurrency(3));
  EXPECT_EQ(s.active_count(), 3);
  EXPECT_EQ(s.state_of(333), 1);
  EXPECT_FALSE(s.set_concurrency(6));
  EXPECT_EQ(s.concurrency(), 3);
  EXPECT_EQ(s.active_count(), 3);

  EXPECT_TRUE(s.set_concurrency(1));
  EXPECT_EQ(s.active_count(), 3);
  ctl_->stop_camera(330);
  ctl_->stop_camera(331);
  EXPECT_EQ(s.active_count(), 1);
  EXPECT_EQ(s.state_of(333), 1);
  ctl_->stop_camera(332);
  EXPECT_EQ(s.active_count(), 1);
  EXPECT_EQ(s.state_of(333), 2);
}

}  // namespace
}  // namespace velmora
