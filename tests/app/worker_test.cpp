// CamConnentionRES driven through its callbacks directly, with a recording
// sink in place of the window: what it writes, posts and schedules.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstring>
#include <thread>

#include "app_test_support.h"
#include "cam_connection_res.h"
#include "thread_check.h"
#include "window_messages.h"

namespace velmora {
namespace {

using test::read_all;

struct FakeSink : MessageSink {
  std::vector<EngineEvent> posted;
  std::vector<std::pair<int, std::function<void()>>> later;
  std::map<std::int32_t, int> armed;  // camera id -> ms of the last arming

  void post(EngineEvent e) override { posted.push_back(std::move(e)); }
  void arm_camera_timer(std::int32_t id, int ms) override { armed[id] = ms; }
  void cancel_camera_timer(std::int32_t id) override { armed.erase(id); }
  void run_later(int ms, std::function<void()> fn) override { later.push_back({ms, std::move(fn)}); }

  std::vector<std::intptr_t> statuses() const {
    std::vector<std::intptr_t> out;
    for (const auto& m : posted)
      if (auto* s = std::get_if<SyncStatusEvent>(&m)) out.push_back(s->status);
    return out;
  }
};

std::string body_u16s(std::uint16_t a, std::uint16_t b = 0) {
  std::string s(4, '\0');
  std::memcpy(&s[0], &a, 2);
  std::memcpy(&s[2], &b, 2);
  return s;
}

struct Listed {
  const char* name;
  std::uint32_t size;
  std::uint8_t kind;
};

std::string list_page(std::initializer_list<Listed> entries) {
  std::string page = body_u16s(static_cast<std::uint16_t>(entries.size()), 1);
  for (const Listed& l : entries) {
    NVS_SDK_V160::RECORD_FILE_ENTRY e{};
    std::strcpy(e.file_name, l.name);
    e.record_key = 7;
    e.file_size = l.size;
    e.record_kind = l.kind;
    page += std::string(reinterpret_cast<const char*>(&e), sizeof e);
  }
  return page;
}

std::string list_page(const char* name, std::uint32_t size, std::uint8_t kind) {
  return list_page({{name, size, kind}});
}

std::string data_block(std::int32_t did, std::uint32_t offset, const std::string& bytes, bool end) {
  std::string s(20, '\0');
  const std::uint32_t transfer = 1, length = static_cast<std::uint32_t>(bytes.size());
  const std::uint32_t flag = end ? 1 : 0;
  std::memcpy(&s[0], &transfer, 4);
  std::memcpy(&s[4], &did, 4);
  std::memcpy(&s[8], &offset, 4);
  std::memcpy(&s[12], &length, 4);
  std::memcpy(&s[16], &flag, 4);
  return s + bytes;
}

class Worker : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = dir_.path().toStdString();
    start_run();
  }
  // Binds camera 9 and takes the run up to its record list.
  void start_run() {
    CameraRecord r;
    std::string error;
    ASSERT_TRUE(make_local_record(9, "127.0.2.90", "pw", r, error));
    res_.bind(r, root_);
    res_.OnConnectResult(0);
    res_.OnRecordStatisticInfomation(body_u16s(1).data());
  }
  void TearDown() override { res_.stop(); }

  // The download id of the chunk just requested.
  std::int32_t current_id() { return res_.counters().download_id.load() - 1; }

  QTemporaryDir dir_;
  std::string root_;
  FakeSink sink_;
  CamConnentionRES res_{sink_};
};

TEST_F(Worker, BlocksFromOldRequestsAreNotWritten) {
  res_.OnRecordListInfomation(list_page("X.avi", 1000, 0).data());
  const std::int32_t did = current_id();
  const std::string part1(600, 'a'), part2(400, 'b');

  res_.OnDownloadData(data_block(did - 1, 0, std::string(600, 'y'), false).data()); // old request
  res_.OnDownloadData(data_block(did, 0, part1, false).data());
  EXPECT_EQ(read_all(root_ + "/9/Manual/X.tmp"), part1);
  res_.OnDownloadData(data_block(did, 600, part2, true).data());

  EXPECT_EQ(read_all(root_ + "/9/Manual/X.avi"), part1 + part2);
  EXPECT_EQ(sink_.statuses(), (std::vector<std::intptr_t>{STATUS_SYNCING, STATUS_COMPLETE}));
  const auto* c = std::get_if<SyncCountsEvent>(&sink_.posted[sink_.posted.size() - 2]);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->camera_id, 9);
  EXPECT_EQ(c->done, 1);
  EXPECT_EQ(c->total, 1);

  // After the run has ended, a late close is not an interruption.
  res_.OnConnectionClose(104);
  EXPECT_EQ(sink_.statuses().back(), STATUS_COMPLETE);
}

TEST_F(Worker, ContinuationIsScheduledOnceAndNeverEarly) {
  res_.OnRecordListInfomation(list_page("Y.avi", 300000, 1).data());
  const std::int32_t first = current_id();
  const std::string chunk(CamConnentionRES::kChunkBytes, 'c');

  const auto t0 = std::chrono::steady_clock::now();
  res_.OnDownloadData(data_block(first, 0, chunk, true).data());
  res_.OnDownloadData(data_block(first, 0, chunk, true).data());  // a repeated end block
  // The callback returned at once: the wait is a scheduled call, not a sleep.
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
  ASSERT_EQ(sink_.later.size(), 1u);
  EXPECT_GT(sink_.later[0].first, 0);
  EXPECT_LE(sink_.later[0].first, CamConnentionRES::kContinuationGapMs);
  EXPECT_EQ(current_id(), first);  // nothing requested yet

  // Fired too early (as a coarse timer might): it waits again.
  auto early = std::move(sink_.later[0].second);
  sink_.later.clear();
  early();
  EXPECT_EQ(current_id(), first);
  ASSERT_EQ(sink_.later.size(), 1u);

  std::this_thread::sleep_for(std::chrono::milliseconds(CamConnentionRES::kContinuationGapMs));
  auto on_time = std::move(sink_.later[0].second);
  sink_.later.clear();
  on_time();
  EXPECT_EQ(current_id(), first + 1);
  EXPECT_TRUE(sink_.later.empty());
  // The new chunk is watched.
  EXPECT_EQ(sink_.armed[9], kTransferWatchdogMs);
}

std::vector<std::string> failed_names(const FakeSink& sink) {
  std::vector<std::string> out;
  for (const auto& m : sink.posted)
    if (auto* f = std::get_if<FileFailedEvent>(&m)) out.push_back(f->name);
  return out;
}

long long length_of(const std::string& path) {
  return static_cast<long long>(test::read_all(path).size());
}

TEST_F(Worker, BlocksOutsideTheChunkOrAfterAHoleEndItAndKeepOnlyTheGoodPrefix) {
  const std::string tmp = root_ + "/9/Manual/";
  std::filesystem::create_directories(tmp);
  test::write_all(tmp + "A.tmp", std::string(300, 'p'));
  res_.OnRecordListInfomation(
      list_page({{"A.avi", 1000, 0}, {"B.avi", 1000, 0}, {"C.avi", 1000, 0}}).data());

  // A: resumes at 300; a block before the range would overwrite stored bytes.
  std::int32_t did = current_id();
  res_.OnDownloadData(data_block(did, 300, std::string(200, 'a'), false).data());
  res_.OnDownloadData(data_block(did, 0, std::string(300, 'z'), false).data());
  EXPECT_EQ(read_all(tmp + "A.tmp"), std::string(300, 'p'));  // back to the chunk's start
  // The rest of that chunk no longer lands anywhere.
  res_.OnDownloadData(data_block(did, 500, std::string(500, 'a'), true).data());
  EXPECT_EQ(length_of(tmp + "A.tmp"), 300);

  // B: a missing block; the end of the chunk does not complete it.
  did = current_id();
  res_.OnDownloadData(data_block(did, 0, std::string(400, 'b'), false).data());
  res_.OnDownloadData(data_block(did, 600, std::string(400, 'b'), true).data());
  EXPECT_FALSE(std::filesystem::exists(tmp + "B.avi"));
  EXPECT_EQ(length_of(tmp + "B.tmp"), 0);

  // C: a block running past the chunk's end.
  did = current_id();
  res_.OnDownloadData(data_block(did, 0, std::string(1200, 'c'), true).data());
  EXPECT_FALSE(std::filesystem::exists(tmp + "C.avi"));
  EXPECT_LE(length_of(tmp + "C.tmp"), 0);

  EXPECT_EQ(failed_names(sink_), (std::vector<std::string>{"A.avi", "B.avi", "C.avi"}));
  EXPECT_EQ(sink_.statuses().back(), STATUS_COMPLETE);
}

TEST_F(Worker, AnEndInTheMiddleOfAChunkCutsThePartialFileBackToItsStart) {
  const std::string tmp = root_ + "/9/AlarmRecord/";
  std::filesystem::create_directories(tmp);
  test::write_all(tmp + "D.tmp", std::string(100, 'd'));
  res_.OnRecordListInfomation(list_page("D.avi", 1000, 1).data());
  res_.OnDownloadData(data_block(current_id(), 100, std::string(200, '?'), false).data());
  EXPECT_EQ(length_of(tmp + "D.tmp"), 300);
  res_.OnConnectionClose(104);
  EXPECT_EQ(read_all(tmp + "D.tmp"), std::string(100, 'd'));
  EXPECT_EQ(sink_.statuses().back(), STATUS_INTERRUPTED);

  // The same when the window stops the camera (its guard fired).
  start_run();
  res_.OnRecordListInfomation(list_page("D.avi", 1000, 1).data());
  res_.OnDownloadData(data_block(current_id(), 100, std::string(50, '?'), false).data());
  res_.stop();
  EXPECT_EQ(read_all(tmp + "D.tmp"), std::string(100, 'd'));
}

TEST_F(Worker, TwoNamesForOneFileAreNeverMixed) {
  res_.OnRecordListInfomation(list_page({{"col", 100, 0}, {"col.avi", 200, 0}}).data());
  EXPECT_EQ(failed_names(sink_), std::vector<std::string>{"col.avi"});
  res_.OnDownloadData(data_block(current_id(), 0, std::string(100, 'c'), true).data());
  EXPECT_EQ(read_all(root_ + "/9/Manual/col.avi"), std::string(100, 'c'));
  EXPECT_EQ(sink_.statuses().back(), STATUS_COMPLETE);
}

TEST_F(Worker, AFileSizeLimitFailsTheWriteNotTheProgram) {
  struct rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 500;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  res_.OnRecordListInfomation(list_page("E.avi", 1000, 0).data());
  const std::int32_t did = current_id();
  res_.OnDownloadData(data_block(did, 0, std::string(400, 'e'), false).data());
  res_.OnDownloadData(data_block(did, 400, std::string(400, 'e'), false).data());
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(failed_names(sink_), std::vector<std::string>{"E.avi"});
  EXPECT_EQ(length_of(root_ + "/9/Manual/E.tmp"), 0);  // cut back to the chunk's start
}

// A failed file step names itself, its path and the system's reason.
TEST_F(Worker, FileFailuresNameTheStepThePathAndTheReason) {
  // A partial "file" that is a folder cannot be reset.
  ASSERT_TRUE(std::filesystem::create_directories(root_ + "/9/Manual/X.tmp"));
  res_.OnRecordListInfomation(list_page("X.avi", 1, 0).data());
  std::vector<std::string> reasons;
  for (const auto& m : sink_.posted)
    if (auto* f = std::get_if<FileFailedEvent>(&m)) reasons.push_back(f->reason);
  EXPECT_EQ(reasons, std::vector<std::string>{"cannot open " + root_ +
                                              "/9/Manual/X.tmp for writing: Is a directory"});

  // A camera folder that became a file between the start and the list ends
  // the run with that reason, before any partial file is tried.
  res_.stop();
  std::filesystem::remove_all(root_ + "/9");
  sink_.posted.clear();
  start_run();
  test::write_all(root_ + "/9", "");
  res_.OnRecordListInfomation(list_page("Y.avi", 100, 0).data());
  std::string reason;
  for (const auto& m : sink_.posted)
    if (auto* f = std::get_if<FailureReasonEvent>(&m)) reason = f->text;
  EXPECT_EQ(reason, "cannot create folder " + root_ + "/9: Not a directory");
  EXPECT_EQ(sink_.statuses().back(), STATUS_INTERRUPTED);
}

TEST_F(Worker, PacingZeroAsksForTheNextChunkAtOnce) {
  res_.set_pacing_ms(0);
  res_.OnRecordListInfomation(list_page("Z.avi", 300000, 1).data());
  const std::int32_t first = current_id();
  res_.OnDownloadData(data_block(first, 0, std::string(CamConnentionRES::kChunkBytes, 'c'), true).data());
  ASSERT_EQ(sink_.later.size(), 1u);
  EXPECT_EQ(sink_.later[0].first, 0);
  auto next = std::move(sink_.later[0].second);
  sink_.later.clear();
  next();
  EXPECT_EQ(current_id(), first + 1);  // no wait, not even the default gap
  EXPECT_TRUE(sink_.later.empty());
}

// The thread checks hold in every build, release included: a check made on
// this thread allows only this thread, a first-caller check the thread that
// claimed it, until released; any other thread stops the program.
TEST(ThreadCheck, AllowsOnlyItsThreadAndStopsAnyOther) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ThreadCheck made_here;
  VELMORA_CHECK_THREAD(made_here);
  EXPECT_DEATH(std::thread([&] { VELMORA_CHECK_THREAD(made_here); }).join(),
               "called on the wrong thread \\(made_here\\)");

  ThreadCheck first(ThreadCheck::kFirstCaller);
  std::thread([&] { VELMORA_CHECK_THREAD(first); }).join();
  EXPECT_DEATH(VELMORA_CHECK_THREAD(first), "wrong thread");
  first.release();
  VELMORA_CHECK_THREAD(first);
  EXPECT_TRUE(first.on_thread());
}

}  // namespace
}  // namespace velmora
