#include "run_result.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>

#include "printable_text.h"
#include "window_messages.h"

namespace velmora {

namespace {

// Every outcome word, in one table. A failure row (status 0) names a cause
// the status alone hides, such as the server refusing the login while the
// camera's status is a time-out; it wins over the status row. A new status
// or cause joins with one line.
struct OutcomeRow {
  std::int32_t status;
  std::int32_t failure;
  const char* word;
};
constexpr OutcomeRow kOutcomes[] = {
    {0, FAILURE_SERVER_UNREACHABLE, "server-unreachable"},
    {0, FAILURE_SERVER_LOGIN_REFUSED, "server-login-refused"},
    {0, FAILURE_NOT_IN_ACCOUNT, "camera-not-in-account"},
    {0, FAILURE_WRITE_FAILED, "write-failed"},
    {STATUS_COMPLETE, FAILURE_OTHER, "complete"},
    {STATUS_USER_STOPPED, FAILURE_OTHER, "stopped"},
    {STATUS_CONNECT_FAILED, FAILURE_OTHER, "connection-failed"},
    {STATUS_INTERRUPTED, FAILURE_OTHER, "connection-interrupted"},
    {STATUS_TIMED_OUT, FAILURE_OTHER, "timed-out"},
    {STATUS_LIVE_ELSEWHERE, FAILURE_OTHER, "live-elsewhere"},
    {STATUS_WRONG_PASSWORD, FAILURE_OTHER, "wrong-password"},
    {STATUS_DISK_FULL, FAILURE_OTHER, "disk-full"},
    {STATUS_NONE, FAILURE_OTHER, "not-finished"},
};

}  // namespace

bool status_completes(std::int32_t status) { return status == STATUS_COMPLETE; }

std::string outcome_word(const RunResult& r) {
  if (!r.outcome.empty()) return r.outcome;
  // A completed run has nothing left to explain, whatever was said on the way.
  if (status_completes(r.status)) return r.queued == 0 && r.skipped == 0 ? "up-to-date" : "complete";
  if (r.failure != FAILURE_OTHER && r.status != STATUS_USER_STOPPED) {
    for (const OutcomeRow& row : kOutcomes)
      if (row.status == 0 && row.failure == r.failure) return row.word;
  }
  for (const OutcomeRow& row : kOutcomes)
    if (row.status == r.status && row.failure == FAILURE_OTHER) return row.word;
  return "unknown";
}

std::vector<std::string> outcome_words() {
  std::vector<std::string> words = {"complete", "up-to-date"};
  for (const OutcomeRow& row : kOutcomes)
    if (words[0] != row.word) words.push_back(row.word);
  return words;
}

bool run_ok(const RunResult& r) { return status_completes(r.status) && r.skipped == 0; }

void add_counts(RunResult& into, const RunResult& r) {
  into.fetched += r.fetched;
  into.resumed += r.resumed;
  into.skipped += r.skipped;
  into.bytes += r.bytes;
  into.card_deleted += r.card_deleted;
  into.card_kept += r.card_kept;
  into.removed_files += r.removed_files;
  into.removed_bytes += r.removed_bytes;
}

void put_counts(QJsonObject& o, const RunResult& r) {
  o["fetched"] = r.fetched;
  o["resumed"] = r.resumed;
  o["skipped"] = r.skipped;
  // Doubles hold integers exactly up to 2^53: far beyond any run.
  o["bytes"] = static_cast<double>(r.bytes);
  o["card_deleted"] = r.card_deleted;
  o["card_kept"] = r.card_kept;
  o["removed_files"] = r.removed_files;
  o["removed_bytes"] = static_cast<double>(r.removed_bytes);
}

QJsonObject run_to_json(const RunResult& r) {
  QJsonObject o;
  o["id"] = static_cast<qint64>(r.camera_id);
  o["kind"] = r.local ? "local" : "remote";
  o["outcome"] = QString::fromStdString(outcome_word(r));
  o["ok"] = run_ok(r);
  o["status"] = r.status;
  // As the console shows it: valid UTF-8, control bytes as \xNN escapes.
  o["error"] = QString::fromStdString(printable_text(r.error));
  o["queued"] = r.queued;
  put_counts(o, r);
  o["seconds"] = std::round(r.seconds * 10.0) / 10.0;
  o["started"] = static_cast<qint64>(r.started);
  o["ended"] = static_cast<qint64>(r.ended);
  o["auto_started"] = static_cast<qint64>(r.auto_started);
  return o;
}

bool run_from_json(const QJsonObject& o, RunResult& r) {
  if (!o.value("id").isDouble() || !o.value("status").isDouble() || !o.value("ended").isDouble())
    return false;
  auto count = [&](const char* key) {
    const double v = o.value(key).toDouble();
    return v > 0 && v < 2147483647.0 ? static_cast<std::int32_t>(v) : 0;
  };
  r = RunResult{};
  r.camera_id = static_cast<std::int32_t>(o.value("id").toInteger());
  r.local = o.value("kind").toString() != "remote";
  r.status = o.value("status").toInt();
  r.outcome = o.value("outcome").toString().toStdString();
  r.error = o.value("error").toString().toStdString();
  r.queued = count("queued");
  r.fetched = count("fetched");
  r.resumed = count("resumed");
  r.skipped = count("skipped");
  r.card_deleted = count("card_deleted");
  r.card_kept = count("card_kept");
  r.removed_files = count("removed_files");
  auto byte_count = [&](const char* key) -> std::uint64_t {
    const double v = o.value(key).toDouble();
    return v > 0 && v < 9.0e15 ? static_cast<std::uint64_t>(v) : 0;
  };
  r.bytes = byte_count("bytes");
  r.removed_bytes = byte_count("removed_bytes");
  const double seconds = o.value("seconds").toDouble();
  r.seconds = seconds > 0 && std::isfinite(seconds) ? seconds : 0;
  r.started = o.value("started").toInteger();
  r.ended = o.value("ended").toInteger();
  // Absent from lines written before automatic runs were told apart.
  r.auto_started = std::max<qint64>(0, o.value("auto_started").toInteger());
  return true;
}

}  // namespace velmora
