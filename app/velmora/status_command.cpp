// "velmora status [--json]": what the history log says about every configured
// camera: when it last completed, how its last run ended and what its runs
// fetched in the last 7 days. Only reads, so it needs no instance lock and
// works while a service runs.
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>
#include <string>
#include <vector>

#include "alias_store.h"
#include "app_paths.h"
#include "auto_schedule.h"
#include "camera_store.h"
#include "console.h"
#include "help.h"
#include "modes.h"
#include "printable_text.h"
#include "run_history.h"
#include "run_report.h"
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
  if (h.has_run) {
    o["last_outcome"] = QString::fromStdString(outcome_word(h.last));
    const QString error = QString::fromStdString(printable_text(run_error_text(h.last, /*machine=*/true)));
    o["last_error"] = error;
    o["last_ended"] = QString::fromStdString(local_time_text(h.last.ended, true));
    QJsonObject run = run_to_json(h.last);
    run["error"] = error;
    o["last_run"] = run;
  } else {
    o["last_outcome"] = QJsonValue();
    o["last_error"] = "";
    o["last_ended"] = QJsonValue();
    o["last_run"] = QJsonValue();
  }
  o["bytes_7d"] = static_cast<double>(h.recent_bytes);
  return o;
}

std::string status_line(std::int32_t id, const CameraRecord& record, const std::string& alias,
                        const CameraHistory& h) {
  std::string line = camera_label(id, &record, alias) + ": ";
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

}  // namespace

int run_status_command(const std::vector<std::string>& args) {
  if (asks_for_help(args)) {
    std::fputs(help_text("status").c_str(), stdout);
    return kExitOk;
  }
  const bool json = args.size() == 1 && args[0] == "--json";
  if (!args.empty() && !json) {
    std::fprintf(stderr, "velmora status: %s\nusage: velmora status [--json]\n",
                 QCoreApplication::translate("Console", "unknown argument '%1'")
                     .arg(QString::fromStdString(printable_text(args[0])))
                     .toUtf8()
                     .constData());
    return kExitUsage;
  }
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
  for (const auto& [id, record] : table) {
    auto a = aliases.find(id);
    const std::string alias = a == aliases.end() ? std::string() : a->second;
    auto p = past.find(id);
    const CameraHistory h = p == past.end() ? CameraHistory{} : p->second;
    if (json) {
      put_json_line(stdout, status_json(record, alias, h));
    } else {
      std::printf("%s\n", status_line(id, record, alias, h).c_str());
    }
  }
  std::int32_t code = 0;
  const AutoRunDue due = schedule_of(paths, runs, code);
  if (json) {
    put_json_line(stdout, schedule_json(due, code));
  } else {
    std::printf("%s\n", schedule_line(due, code).c_str());
  }
  return kExitOk;
}

}  // namespace velmora
