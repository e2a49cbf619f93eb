// The run record, its outcome words and JSON form, the tally of a run from
// the workers' reports, and the history log: appends, the size cap, torn and
// foreign lines, and what it says per camera.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <string>

#include "app_test_support.h"
#include "auto_schedule.h"
#include "run_history.h"
#include "run_ledger.h"
#include "run_result.h"
#include "window_messages.h"

namespace velmora {
namespace {

using test::read_all;
using test::write_all;

RunResult run(std::int32_t id, std::int32_t status, std::int64_t ended, std::uint64_t bytes = 0) {
  RunResult r;
  r.camera_id = id;
  r.status = status;
  r.ended = ended;
  r.started = ended - 3;
  r.bytes = bytes;
  return r;
}

TEST(RunOutcome, WordsComeFromStatusAndCauseAndSurviveTheJsonForm) {
  RunResult r = run(7, STATUS_COMPLETE, 1000);
  EXPECT_EQ(outcome_word(r), "up-to-date");
  EXPECT_TRUE(run_ok(r));
  r.queued = 2;
  r.fetched = 2;
  EXPECT_EQ(outcome_word(r), "complete");
  r.skipped = 1;
  EXPECT_EQ(outcome_word(r), "complete");
  EXPECT_FALSE(run_ok(r));  // something it found missing is still missing

  RunResult failed = run(7, STATUS_TIMED_OUT, 1000);
  EXPECT_EQ(outcome_word(failed), "timed-out");
  // The cause wins over the time-out it led to, except for a user's stop.
  failed.failure = FAILURE_SERVER_LOGIN_REFUSED;
  EXPECT_EQ(outcome_word(failed), "server-login-refused");
  failed.status = STATUS_USER_STOPPED;
  EXPECT_EQ(outcome_word(failed), "stopped");
  EXPECT_EQ(outcome_word(run(7, STATUS_WRONG_PASSWORD, 1)), "wrong-password");
  EXPECT_EQ(outcome_word(run(7, STATUS_CONNECT_FAILED, 1)), "connection-failed");
  EXPECT_EQ(outcome_word(run(7, STATUS_DISK_FULL, 1)), "disk-full");
  EXPECT_EQ(outcome_word(run(7, STATUS_NONE, 1)), "not-finished");
  EXPECT_EQ(outcome_word(run(7, 9999, 1)), "unknown");

  // Round trip, with values past 32 bits and a negative id; hostile bytes in
  // the error come out as valid UTF-8 with escapes.
  RunResult big = run(-1, STATUS_INTERRUPTED, 1796785669, 6000000000ull);
  big.local = false;
  big.failure = FAILURE_WRITE_FAILED;
  big.error = std::string("cannot write \x1b[2J\xff", 18);
  big.fetched = 3;
  big.resumed = 1;
  big.card_deleted = 2;
  big.card_kept = 1;
  big.removed_files = 4;
  big.removed_bytes = 5000000000ull;
  big.seconds = 12.34;
  const QByteArray json = QJsonDocument(run_to_json(big)).toJson(QJsonDocument::Compact);
  EXPECT_FALSE(json.contains('\x1b'));
  const QJsonObject o = QJsonDocument::fromJson(json).object();
  EXPECT_EQ(o["outcome"].toString(), "write-failed");
  EXPECT_EQ(o["kind"].toString(), "remote");
  EXPECT_EQ(o["error"].toString(), "cannot write \\x1b[2J\\xff");
  RunResult back;
  ASSERT_TRUE(run_from_json(o, back));
  EXPECT_EQ(back.camera_id, -1);
  EXPECT_FALSE(back.local);
  EXPECT_EQ(back.bytes, 6000000000ull);
  EXPECT_EQ(back.ended, 1796785669);
  EXPECT_EQ(back.fetched, 3);
  EXPECT_EQ(back.resumed, 1);
  EXPECT_EQ(back.card_deleted, 2);
  EXPECT_EQ(back.card_kept, 1);
  EXPECT_EQ(back.removed_files, 4);
  EXPECT_EQ(back.removed_bytes, 5000000000ull);
  EXPECT_DOUBLE_EQ(back.seconds, 12.3);
  // Read back, a run keeps the word it was written with, even one this
  // version does not know.
  QJsonObject newer = o;
  newer["outcome"] = "disk-full";
  newer["status"] = 9999;
  ASSERT_TRUE(run_from_json(newer, back));
  EXPECT_EQ(outcome_word(back), "disk-full");
  EXPECT_FALSE(run_from_json(QJsonObject{{"id", 3}}, back));
}

TEST(RunLedger, TalliesOneRunFromTheReportsAndClosesItOnce) {
  RunLedger ledger;
  RunResult r;
  EXPECT_FALSE(ledger.finish(5, STATUS_COMPLETE, true, 1000, r));  // no run open

  ledger.status(5, STATUS_WAITING, 1'000'000);
  ledger.status(5, STATUS_CONNECTING, 1'002'000);  // the clock starts at the connect
  ledger.status(5, STATUS_SYNCING, 1'002'500);
  ledger.counts(5, 0, 3);
  ledger.file_started(5, 0, 1000);
  ledger.counts(5, 1, 3);
  ledger.file_started(5, 400, 1000);  // resumed from a partial file
  ledger.counts(5, 2, 3);
  ledger.file_started(5, 0, 5000);
  ledger.file_failed(5);  // could not be stored
  ledger.failure(5, FAILURE_WRITE_FAILED, "cannot write");
  ASSERT_TRUE(ledger.finish(5, STATUS_INTERRUPTED, true, 1'006'500, r));
  EXPECT_EQ(r.queued, 3);
  EXPECT_EQ(r.fetched, 2);
  EXPECT_EQ(r.resumed, 1);
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(r.bytes, 1000u + 600u);
  EXPECT_DOUBLE_EQ(r.seconds, 4.5);
  EXPECT_EQ(r.ended, 1006);
  EXPECT_EQ(outcome_word(r), "write-failed");
  EXPECT_EQ(r.error, "cannot write");
  // A late status of the same run records nothing more.
  EXPECT_FALSE(ledger.finish(5, STATUS_TIMED_OUT, true, 1'007'000, r));

  // The next run starts clean; a completed run carries no stale failure.
  ledger.status(5, STATUS_WAITING, 2'000'000);
  ledger.failure(5, FAILURE_SERVER_UNREACHABLE, "server unreachable");
  ASSERT_TRUE(ledger.finish(5, STATUS_COMPLETE, true, 2'001'000, r));
  EXPECT_EQ(outcome_word(r), "up-to-date");
  EXPECT_TRUE(r.error.empty());
  EXPECT_TRUE(ledger.open_ids().empty());
}

class History : public ::testing::Test {
protected:
  std::string path() const { return dir_.path().toStdString() + "/SyncHistory.jsonl"; }
  QTemporaryDir dir_;
};

TEST_F(History, AppendsPrivatelyAndSummarisesEachCamera) {
  RunHistory h(path());
  ASSERT_TRUE(h.append(run(1, STATUS_COMPLETE, 1000, 500)));
  ASSERT_TRUE(h.append(run(2, STATUS_WRONG_PASSWORD, 1100)));
  ASSERT_TRUE(h.append(run(1, STATUS_COMPLETE, 5000, 700)));
  ASSERT_TRUE(h.append(run(1, STATUS_CONNECT_FAILED, 6000)));
  struct stat st;
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const auto runs = h.read();
  ASSERT_EQ(runs.size(), 4u);
  const auto per = summarise(runs, 2000);
  ASSERT_EQ(per.count(1), 1u);
  EXPECT_EQ(per.at(1).last.status, STATUS_CONNECT_FAILED);
  EXPECT_EQ(per.at(1).last_completed, 5000);
  EXPECT_EQ(per.at(1).recent_bytes, 700u);  // the run at 1000 is too old
  EXPECT_EQ(per.at(2).last_completed, 0);
  EXPECT_EQ(outcome_word(per.at(2).last), "wrong-password");
}

TEST_F(History, TornAndForeignLinesAreSkippedAndTheNextRunStartsItsOwnLine) {
  RunHistory h(path());
  ASSERT_TRUE(h.append(run(1, STATUS_COMPLETE, 1000, 10)));
  // A crash in the middle of a write, and lines that are not runs.
  std::string bytes = read_all(path());
  bytes += "not json\n[1,2]\n{\"id\":4}\n";
  bytes += "{\"id\":1,\"status\":140,\"ended\":20";  // torn: no line end
  write_all(path(), bytes);
  EXPECT_EQ(h.read().size(), 1u);
  ASSERT_TRUE(h.append(run(1, STATUS_COMPLETE, 3000, 20)));
  const auto runs = h.read();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].ended, 3000);
  // A missing log is an empty history.
  EXPECT_TRUE(RunHistory(path() + ".none").read().empty());
}

TEST_F(History, PastItsCapTheNewestHalfIsKeptWholeLinesOnly) {
  const std::int64_t cap = 8192;
  RunHistory h(path(), cap);
  const int n = 100;
  for (int i = 0; i < n; ++i) ASSERT_TRUE(h.append(run(i % 3, STATUS_COMPLETE, 1000 + i, 1)));
  struct stat st;
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_LE(st.st_size, cap);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const std::string bytes = read_all(path());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.front(), '{');
  EXPECT_EQ(bytes.back(), '\n');
  const auto runs = h.read();
  // Every line is a run, the newest is there and they are in order.
  EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), runs.size());
  ASSERT_GT(runs.size(), 10u);
  EXPECT_LT(runs.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(runs.back().ended, 1000 + n - 1);
  for (std::size_t i = 1; i < runs.size(); ++i) EXPECT_EQ(runs[i].ended, runs[i - 1].ended + 1);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path() + ".tmp")));
}

// The automatic schedule counts from the last automatic run on record; runs
// started by hand or by a retry do not move it, and older lines without the
// field read as such runs.
TEST_F(History, AutomaticScheduleCountsFromTheLastAutomaticRun) {
  RunHistory h(path());
  RunResult a = run(1, STATUS_COMPLETE, 1000);
  a.auto_started = 990;
  ASSERT_TRUE(h.append(a));
  ASSERT_TRUE(h.append(run(1, STATUS_COMPLETE, 5000)));  // by hand, later
  std::string bytes = read_all(path());
  bytes += "{\"id\":2,\"status\":140,\"ended\":6000}\n";  // an older program's line
  write_all(path(), bytes);
  const auto runs = h.read();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[2].auto_started, 0);
  EXPECT_EQ(last_automatic_start(runs), 990);

  const std::int64_t day = 86400000;
  const std::int64_t now = 2000000000000;  // ms
  // A daily box that rebooted 25 h after its last automatic run: overdue.
  AutoRunDue d = next_automatic_run(day, now / 1000 - 25 * 3600, now - 5000, now);
  EXPECT_EQ(d.why, AutoRunDue::kOverdue);
  EXPECT_LE(d.due_ms, now);
  // 1 h after it: due 23 h from now, not a day after the start-up.
  d = next_automatic_run(day, now / 1000 - 3600, now, now);
  EXPECT_EQ(d.why, AutoRunDue::kAfterLast);
  EXPECT_EQ(d.due_ms, now + 23 * 3600000LL);
  // The clock was set back below the last run: at most one interval away.
  d = next_automatic_run(day, now / 1000 + 30 * 86400, now, now);
  EXPECT_EQ(d.due_ms, now + day);
  // Nothing on record: one interval after the count started, unknown to
  // a reader that does not know when the program started.
  d = next_automatic_run(day, 0, now - 1000, now);
  EXPECT_EQ(d.why, AutoRunDue::kFirstInterval);
  EXPECT_EQ(d.due_ms, now - 1000 + day);
  EXPECT_EQ(next_automatic_run(day, 0, 0, now).due_ms, 0);
  EXPECT_EQ(next_automatic_run(0, now / 1000 - 3600, now, now).why, AutoRunDue::kOff);
}

}  // namespace
}  // namespace velmora
