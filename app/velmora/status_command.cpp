// "velmora status [--json] [--check [--max-age DURATION]]": what the history
// log says about every configured camera (when it last completed, how its
// last run ended, what its runs fetched in the last 7 days) and, when a
// Velmora runs, what it is doing now, as that program answers on its control
// socket. Only reads, so it needs no instance lock.
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "alias_store.h"
#include "app_paths.h"
#include "auto_schedule.h"
#include "camera_store.h"
#include "console.h"
#include "control_channel.h"
#include "help.h"
#include "live_snapshot.h"
#include "modes.h"
#include "printable_text.h"
#include "run_history.h"
#include "run_report.h"
#include "runtime_dir.h"
#include "status_texts.h"
#include "system_settings.h"
#include "window_messages.h"

namespace velmora {

namespace {

constexpr std::int64_t kRecentSeconds = 7 * 24 * 3600;

QJsonObject status_json(const CameraRecord& record, const std::string& alias,
                        const CameraHistory& h) {
  QJsonObject o = camera_identity(record, alias);
  o["type"] = "camera";
  o["last_completed"] = h.last_completed > 0 ? QJsonValue(QString::fromStdString(
                                                  local_time_text(h.last_completed, true)))
                                            : QJsonValue();
  put_last_run(o, h.has_run ? &h.last : nullptr);
  o["bytes_7d"] = static_cast<double>(h.recent_bytes);
  return o;
}

// `busy`: a running Velmora is working on the camera now.
std::string status_line(std::int32_t id, const CameraRecord& record, const std::string& alias,
                        const CameraHistory& h, bool busy) {
  std::string line = camera_label(id, &record, alias) + ": ";
  if (!h.has_run && busy)
    return line + QCoreApplication::translate("Console", "first run under way").toStdString();
  if (!h.has_run) return line + QCoreApplication::translate("Console", "no run recorded").toStdString();
  line += h.last_completed > 0
              ? QCoreApplication::translate("Console", "last completed %1")
                    .arg(QString::fromStdString(local_time_text(h.last_completed, false)))
                    .toStdString()
              : QCoreApplication::translate("Console", "never completed").toStdString();
  // The window's word for the status, in the user's language; a status this
  // version does not know (a newer one wrote the log) keeps its machine word.
  QString outcome = status_label(h.last.status);
  if (outcome.isEmpty()) outcome = QString::fromStdString(outcome_word(h.last));
  const std::string separator = QCoreApplication::translate("Console", "; ").toStdString();
  line += separator + QCoreApplication::translate("Console", "last run %1 at %2")
                     .arg(outcome,
                          QString::fromStdString(local_time_text(h.last.ended, false)))
                     .toStdString();
  const std::string error = run_error_text(h.last);
  // Said once: a run that failed without a reason of its own has the
  // status's word as its error.
  if (!error.empty() && error != outcome.toStdString()) line += ": " + printable_text(error);
  line += separator + QCoreApplication::translate("Console", "%1 in the last 7 days")
                     .arg(QString::fromStdString(human_bytes(h.recent_bytes)))
                     .toStdString();
  return line;
}

// When the next automatic run is due, as the history and the settings say;
// without an automatic run on record it depends on when the program starts.
AutoRunDue schedule_of(const AppPaths& paths, const std::vector<RunResult>& runs,
                       std::int32_t& code) {
  SystemSettings settings;
  std::int32_t limit = 4;
  settings.load(paths.settings_file(), limit);
  code = settings.interval_code;
  return next_automatic_run(auto_sync_interval_ms(code), last_automatic_start(runs), 0,
                            QDateTime::currentMSecsSinceEpoch());
}

const char* schedule_word(AutoRunDue::Why why) {
  switch (why) {
    case AutoRunDue::kOff: return "off";
    case AutoRunDue::kFirstInterval: return "first-interval";
    case AutoRunDue::kAfterLast: return "after-last";
    case AutoRunDue::kOverdue: return "overdue";
  }
  return "off";
}

QJsonObject schedule_json(const AutoRunDue& d, std::int32_t code) {
  QJsonObject o;
  o["type"] = "schedule";
  o["interval_code"] = code;
  o["reason"] = schedule_word(d.why);
  o["next_run"] = d.due_ms > 0 ? QJsonValue(QString::fromStdString(
                                     local_time_text(d.due_ms / 1000, true)))
                               : QJsonValue();
  o["last_automatic_run"] =
      d.last_s > 0 ? QJsonValue(QString::fromStdString(local_time_text(d.last_s, true)))
                   : QJsonValue();
  return o;
}

std::string schedule_line(const AutoRunDue& d, std::int32_t code) {
  const QString interval = interval_label(code);
  const QString last = QString::fromStdString(local_time_text(d.last_s, false));
  switch (d.why) {
    case AutoRunDue::kOff:
      return QCoreApplication::translate("Console",
                                         "Next automatic run: none, automatic synchronisation is "
                                         "off (start a run with 'velmora sync')")
          .toStdString();
    case AutoRunDue::kFirstInterval:
      return QCoreApplication::translate("Console",
                                         "Next automatic run: one interval (%1) after Velmora "
                                         "starts; no automatic run is recorded yet")
          .arg(interval)
          .toStdString();
    case AutoRunDue::kAfterLast:
      return QCoreApplication::translate("Console",
                                         "Next automatic run: %1, one interval (%2) after the "
                                         "last one at %3")
          .arg(QString::fromStdString(local_time_text(d.due_ms / 1000, false)), interval, last)
          .toStdString();
    case AutoRunDue::kOverdue:
      return QCoreApplication::translate("Console",
                                         "Next automatic run: overdue, the last one started at "
                                         "%1 (interval: %2); a running Velmora starts it within "
                                         "a minute")
          .arg(last, interval)
          .toStdString();
  }
  return {};
}

// Asks a running Velmora for the live state of its cameras; empty when none
// answers (then the history alone speaks).
std::map<std::int32_t, LiveCamera> ask_live(bool& answered) {
  std::map<std::int32_t, LiveCamera> live;
  Reply reply;
  answered = send_command(runtime_dir(), {"status", "--live"}, reply, 5000) && reply.code == 0;
  if (!answered) return live;
  std::size_t start = 0;
  while (start < reply.out.size()) {
    std::size_t nl = reply.out.find('\n', start);
    if (nl == std::string::npos) nl = reply.out.size();
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray::fromStdString(reply.out.substr(start, nl - start)));
    LiveCamera c;
    if (doc.isObject() && live_from_json(doc.object(), c)) live[c.camera_id] = c;
    start = nl + 1;
  }
  return live;
}

std::string duration_text(std::int64_t seconds) {
  if (seconds < 60) return QCoreApplication::translate("Console", "%1 s").arg(seconds).toStdString();
  if (seconds < 3600)
    return QCoreApplication::translate("Console", "%1 min %2 s")
        .arg(seconds / 60)
        .arg(seconds % 60)
        .toStdString();
  return QCoreApplication::translate("Console", "%1 h %2 min")
      .arg(seconds / 3600)
      .arg(seconds % 3600 / 60)
      .toStdString();
}

// "now: downloading REC_00003.avi, 42% (1.2 MB of 2.9 MB), file 3 of 7, ...";
// "" for a camera the running program is not working on.
std::string live_line(const LiveCamera& c, std::int64_t now_s) {
  const QString comma = QCoreApplication::translate("Console", ", ");
  QString text;
  if (c.state == "waiting") {
    text = QCoreApplication::translate("Console", "waiting for a free slot");
  } else if (c.state == "connecting") {
    text = QCoreApplication::translate("Console", "connecting");
  } else if (c.state == "syncing" && c.file.empty()) {
    text = QCoreApplication::translate("Console", "reading the camera's recordings");
  } else if (c.state == "syncing") {
    text = QCoreApplication::translate("Console", "downloading %1, %2% (%3 of %4)")
               .arg(QString::fromStdString(printable_text(c.file)))
               .arg(c.percent)
               .arg(QString::fromStdString(human_bytes(c.file_bytes)),
                    QString::fromStdString(human_bytes(c.file_size)));
    text += comma + QCoreApplication::translate("Console", "file %1 of %2")
                        .arg(std::min(c.done + 1, std::max(c.total, 1)))
                        .arg(c.total);
    if (c.speed > 0)
      text += comma + QString::fromStdString(human_bytes(c.speed)) +
              QCoreApplication::translate("Console", "/s");
    if (c.eta >= 0)
      text += comma + QCoreApplication::translate("Console", "about %1 left")
                          .arg(QString::fromStdString(duration_text(c.eta)));
  } else if (c.state == "retry-wait") {
    text = QCoreApplication::translate("Console", "failed: %1")
               .arg(QString::fromStdString(printable_text(c.reason.empty() ? status_label(c.status).toStdString() : c.reason)));
    if (c.next_retry > 0)
      text += QCoreApplication::translate("Console", "; next retry at %1 (in %2)")
                  .arg(QString::fromStdString(local_time_text(c.next_retry / 1000, false)),
                       QString::fromStdString(
                           duration_text(std::max<std::int64_t>(0, c.next_retry / 1000 - now_s))));
  } else {
    return {};
  }
  if (c.failed_runs > 1 && c.failing_since > 0)
    text += QCoreApplication::translate("Console", "; failing since %1, %n attempt(s)", nullptr,
                                        c.failed_runs)
                .arg(QString::fromStdString(local_time_text(c.failing_since, false)));
  return "  " + QCoreApplication::translate("Console", "now: %1").arg(text).toStdString();
}

// "90m", "36h", "2d", "1w", "45s": a positive whole number and its unit.
bool parse_duration(const std::string& text, std::int64_t& seconds) {
  if (text.size() < 2 || text.size() > 12) return false;
  std::int64_t n = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    n = n * 10 + (text[i] - '0');
  }
  std::int64_t unit = 0;
  switch (text.back()) {
    case 's': unit = 1; break;
    case 'm': unit = 60; break;
    case 'h': unit = 3600; break;
    case 'd': unit = 86400; break;
    case 'w': unit = 7 * 86400; break;
    default: return false;
  }
  // Up to about 30 years: enough for any monitoring, far from overflow.
  if (n <= 0 || n > 1000000000 / unit) return false;
  seconds = n * unit;
  return true;
}

struct Problem {
  std::int32_t id;
  const char* word;  // "last-run-failed", "never-completed", "too-old"
  std::string text;
};

std::vector<Problem> problems_of(std::int32_t id, const CameraHistory& h, std::int64_t max_age,
                                 std::int64_t now) {
  std::vector<Problem> out;
  if (h.has_run && !run_ok(h.last) && h.last.status != STATUS_USER_STOPPED)
    out.push_back({id, "last-run-failed",
                   QCoreApplication::translate("Console", "its last run failed: %1")
                       .arg(QString::fromStdString(printable_text(run_error_text(h.last))))
                       .toStdString()});
  if (max_age > 0 && h.last_completed <= 0)
    out.push_back({id, "never-completed",
                   QCoreApplication::translate("Console", "it never completed a run").toStdString()});
  else if (max_age > 0 && now - h.last_completed > max_age)
    out.push_back({id, "too-old",
                   QCoreApplication::translate("Console", "its last completed run is %1 old")
                       .arg(QString::fromStdString(duration_text(now - h.last_completed)))
                       .toStdString()});
  return out;
}

}  // namespace

int run_status_command(const std::vector<std::string>& args) {
  if (asks_for_help(args)) {
    std::fputs(help_text("status").c_str(), stdout);
    return kExitOk;
  }
  bool json = false, check = false;
  std::int64_t max_age = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--check") {
      check = true;
    } else if (args[i] == "--max-age" && i + 1 < args.size() && parse_duration(args[i + 1], max_age)) {
      ++i;
    } else {
      const QString what = args[i] == "--max-age"
                               ? QCoreApplication::translate(
                                     "Console", "--max-age takes a duration such as 90m, 36h or 2d")
                               : QCoreApplication::translate("Console", "unknown argument '%1'")
                                     .arg(QString::fromStdString(printable_text(args[i])));
      std::fprintf(stderr,
                   "velmora status: %s\nusage: velmora status [--json] [--check [--max-age "
                   "DURATION]]\n",
                   what.toUtf8().constData());
      return kExitUsage;
    }
  }
  if (max_age > 0 && !check) check = true;
  const AppPaths paths = AppPaths::from_environment();
  CameraTable table;
  load_camera_file(paths.camera_list_file(), table);
  AliasTable aliases;
  load_alias_file(paths.alias_file(), aliases);
  const std::int64_t now = QDateTime::currentSecsSinceEpoch();
  const std::vector<RunResult> runs = RunHistory(paths.history_file()).read();
  const auto past = summarise(runs, now - kRecentSeconds);

  if (!json && table.empty()) {
    std::printf("%s\n", QCoreApplication::translate("Console", "No cameras configured (%1).")
                            .arg(QString::fromStdString(paths.camera_list_file()))
                            .toUtf8()
                            .constData());
    return kExitOk;
  }
  bool running = false;
  const std::map<std::int32_t, LiveCamera> live = ask_live(running);
  std::vector<Problem> problems;
  for (const auto& [id, record] : table) {
    auto a = aliases.find(id);
    const std::string alias = a == aliases.end() ? std::string() : a->second;
    auto p = past.find(id);
    const CameraHistory h = p == past.end() ? CameraHistory{} : p->second;
    auto l = live.find(id);
    if (json) {
      QJsonObject o = status_json(record, alias, h);
      o["live"] = l == live.end() ? QJsonValue() : QJsonValue(live_to_json(l->second));
      put_json_line(stdout, o);
    } else {
      const std::string now_line = l == live.end() ? std::string() : live_line(l->second, now);
      std::printf("%s\n", status_line(id, record, alias, h, !now_line.empty()).c_str());
      if (!now_line.empty()) std::printf("%s\n", now_line.c_str());
    }
    if (check)
      for (Problem& problem : problems_of(id, h, max_age, now)) problems.push_back(problem);
  }
  std::int32_t code = 0;
  const AutoRunDue due = schedule_of(paths, runs, code);
  if (json) {
    put_json_line(stdout, schedule_json(due, code));
  } else {
    std::printf("%s\n", schedule_line(due, code).c_str());
  }
  if (!json && !running)
    std::printf("%s\n", QCoreApplication::translate("Console",
                                                     "No Velmora is running; this is the history.")
                             .toUtf8()
                             .constData());
  if (!check) return kExitOk;
  if (json) {
    QJsonObject o;
    o["type"] = "check";
    o["ok"] = problems.empty();
    o["max_age"] = static_cast<qint64>(max_age);
    QJsonArray list;
    for (const Problem& problem : problems) {
      QJsonObject item;
      item["id"] = static_cast<qint64>(problem.id);
      item["problem"] = problem.word;
      item["text"] = QString::fromStdString(problem.text);
      list.append(item);
    }
    o["problems"] = list;
    put_json_line(stdout, o);
  } else if (problems.empty()) {
    std::printf("%s\n", QCoreApplication::translate("Console", "Check: every camera is fine.")
                             .toUtf8()
                             .constData());
  } else {
    for (const Problem& problem : problems) {
      auto r = table.find(problem.id);
      auto a = aliases.find(problem.id);
      std::printf("%s\n", QCoreApplication::translate("Console", "Check failed: %1: %2")
                               .arg(QString::fromStdString(camera_label(
                                        problem.id, r == table.end() ? nullptr : &r->second,
                                        a == aliases.end() ? std::string() : a->second)),
                                    QString::fromStdString(problem.text))
                               .toUtf8()
                               .constData());
    }
  }
  return problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace velmora
