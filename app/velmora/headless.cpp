// "velmora --headless [--once]": the engine as the window would run it, with
// the console as its display and the control socket through which other
// velmora commands reach it.
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "app_paths.h"
#include "console.h"
#include "control_answers.h"
#include "download_folder.h"
#include "control_channel.h"
#include "engine_profile.h"
#include "run_report.h"
#include "modes.h"
#include "status_texts.h"
#include "stop_signals.h"
#include "sync_controller.h"
#include "sync_display.h"
#include "web_server.h"
#include "window_messages.h"

namespace velmora {

namespace {

std::string date_time(const QDateTime& t) {
  return t.toString("yyyy-MM-ddTHH:mm:ss").toStdString();
}

// Says when the next automatic run is due: after start, after each run and
// when the interval changes.
class NextRun {
public:
  NextRun(SyncController& controller, SyncDisplay& display)
      : controller_(controller), display_(display) {}

  void armed() { due_ = controller_.next_automatic_run(); }
  std::string text() const {
    if (due_.why == AutoRunDue::kOff)
      return QCoreApplication::translate("Console",
                                         "automatic synchronisation is off; start a run with "
                                         "'velmora sync' (or restart with --now)")
          .toStdString();
    const QString interval = interval_label(controller_.settings().interval_code);
    const QString last = QString::fromStdString(
        date_time(QDateTime::fromSecsSinceEpoch(due_.last_s)));
    if (due_.why == AutoRunDue::kOverdue)
      return QCoreApplication::translate("Console",
                                         "an automatic run is overdue (the last one started at "
                                         "%1, interval: %2); it starts shortly")
          .arg(last, interval)
          .toStdString();
    const QString at =
        QString::fromStdString(date_time(QDateTime::fromMSecsSinceEpoch(due_.due_ms)));
    if (due_.why == AutoRunDue::kAfterLast)
      return QCoreApplication::translate(
                 "Console", "next automatic run at %1 (interval: %2, after the last one at %3)")
          .arg(at, interval, last)
          .toStdString();
    return QCoreApplication::translate("Console", "next automatic run at %1 (interval: %2)")
        .arg(at, interval)
        .toStdString();
  }
  void say() { display_.event(text()); }

private:
  SyncController& controller_;
  SyncDisplay& display_;
  AutoRunDue due_;
};

// The words of a change as the log shows them: never a password.
std::string change_summary(const std::vector<std::string>& words) {
  std::string s = "velmora";
  const bool adds = words.size() > 1 && (words[1] == "add-local" || words[1] == "add-remote");
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (adds && i >= 2 && words[i] != "--replace" && words[i] != "--force" &&
        words[i] != "--delete-after-copy" && words[i] != "--") {
      s += " " + words[i];  // the id
      break;
    }
    if (words[i] != "--") s += " " + words[i];
  }
  return s;
}

// The sum of the runs' counts.
RunResult total_of(const std::map<std::int32_t, RunResult>& runs) {
  RunResult t;
  for (const auto& [id, run] : runs) {
    (void)id;
    add_counts(t, run);
  }
  return t;
}

// The last line of --once --json.
QJsonObject once_summary(const std::map<std::int32_t, RunResult>& runs, double seconds,
                         int exit_code) {
  const RunResult t = total_of(runs);
  int ok = 0;
  for (const auto& [id, run] : runs) {
    (void)id;
    ok += run_ok(run) ? 1 : 0;
  }
  QJsonObject o;
  o["type"] = "summary";
  o["cameras"] = static_cast<int>(runs.size());
  o["ok"] = ok;
  o["failed"] = static_cast<int>(runs.size()) - ok;
  put_counts(o, t);
  o["seconds"] = std::round(seconds * 10.0) / 10.0;
  o["exit"] = exit_code;
  return o;
}

}  // namespace

int run_headless(const HeadlessOptions& options) {
  std::string web_error;  // refused before anything starts or binds
  const WebConfig web_config =
      web_start_config(AppPaths::from_environment(), options.once ? "off" : options.web, web_error);
  if (!web_error.empty()) {
    std::fprintf(stderr, "velmora: %s\n", web_error.c_str());
    return kExitUsage;
  }
  if (!acquire_instance_lock(true)) return kExitAlreadyRunning;
  Console::capture(options.verbose);
  // With --json, standard output carries only the JSON lines; the human
  // lines go to standard error.
  std::FILE* json = options.json ? Console::out() : nullptr;
  std::FILE* out = json ? stderr : Console::out();

  ControllerOptions copts;
  copts.paths = AppPaths::from_environment();
  copts.link_dir = QString::fromStdString(runtime_dir());
  copts.periodic_timers = !options.once;
  // Tests shorten the wait before an overdue automatic run.
  if (const char* d = std::getenv("VELMORA_CATCH_UP_MS")) {
    const int ms = std::atoi(d);
    if (ms >= 0 && ms <= 600000) copts.catch_up_delay_ms = ms;
  }
  SyncController controller(copts);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console",
                                                            "the camera library could not start")));
    return kExitFailed;
  }
  // The notify command gets the reason the console shows.
  controller.notifier().set_reason_text([](const RunResult& r) { return run_error_text(r); });
  SyncDisplay display(controller, out, json ? false : Console::interactive());
  StopSignals stopper;
  NextRun next(controller, display);
  EngineProfile profile(controller, [&] {
    next.armed();
    if (!options.once) next.say();
  });
  ControlAnswers answers(controller, profile,
                         [&](const std::vector<std::string>& words, const Reply& r) {
                           display.event(change_summary(words) + ": " +
                                         (r.code == 0
                                              ? QCoreApplication::translate("Console", "done")
                                              : QCoreApplication::translate("Console", "refused"))
                                             .toStdString());
                         });
  ControlServer control(runtime_dir(),
                        ControlServer::DeferredHandler(
                            [&](const std::vector<std::string>& words,
                                ControlServer::Respond respond) { answers.answer(words, respond); }));
  if (!control.listen()) {
    display.event(QCoreApplication::translate("Console",
                                              "warning: the control socket could not be opened; "
                                              "other velmora commands cannot reach this one")
                      .toStdString());
  }

  std::fprintf(out, "%s\n",
               qUtf8Printable(QCoreApplication::translate(
                                  "Console", "Velmora headless: %n camera(s), download folder %1",
                                  nullptr, int(controller.cameras().size()))
                                  .arg(QString::fromStdString(
                                      controller.scheduler().download_root()))));
  // Said once at the start too, so that a service whose disk is missing says
  // so before the first run fails on it.
  if (const std::string unusable = check_download_folder(controller.scheduler().download_root());
      !unusable.empty()) {
    display.event(QCoreApplication::translate("Console",
                                              "warning: the download folder %1 cannot take "
                                              "recordings: %2")
                      .arg(QString::fromStdString(controller.scheduler().download_root()),
                           QString::fromStdString(unusable))
                      .toStdString());
  }
  if (!options.once) {
    next.armed();
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console", "Failed cameras are retried every %1 s. Press "
                                               "Ctrl+C to stop.")
                                    .arg(copts.retry_interval_ms / 1000)));
    next.say();
  }
  WebServer web(controller, web_config, [&](const std::string& s) { display.event(s); });
  if (web_config.listen.on) web_page_started(web, web_config, out);
  std::fflush(out);

  int exit_code = kExitOk;
  std::map<std::int32_t, RunResult> outcome;  // --once: how each camera's run ended
  std::set<std::int32_t> pending;

  QObject::connect(&stopper, &StopSignals::stopRequested, &controller, [&](int) {
    display.event(QCoreApplication::translate("Console", "stopping all cameras").toStdString());
    QCoreApplication::exit(options.once ? kExitInterrupted : kExitOk);
  });
  QObject::connect(&controller, &SyncController::autoSyncFired, &controller,
                   [&](const QString&) { next.armed(); });
  // A run is over when no camera is waiting or active any more; the status
  // arrives before the camera's release, so look once the event is handled.
  // Said only when the run said something: a retry that failed as before
  // leaves the log alone.
  std::uint64_t lines_at_run_end = 0;
  QObject::connect(&controller, &SyncController::statusChanged, &controller, [&](int, int status) {
    if (options.once || !status_is_final(status)) return;
    QTimer::singleShot(0, &controller, [&] {
      if (!controller.scheduler().active().empty() || !controller.scheduler().waiting().empty())
        return;
      if (display.lines() == lines_at_run_end) return;
      QString text = QCoreApplication::translate("Console", "run finished");
      if (!controller.retry_list().empty())
        text += QCoreApplication::translate("Console", "; ") +
                QCoreApplication::translate("Console", "%n camera(s) to retry within %1 s",
                                                   nullptr,
                                                   int(controller.retry_list().size()))
                           .arg(copts.retry_interval_ms / 1000);
      display.event((text + QCoreApplication::translate("Console", "; ")).toStdString() + next.text());
      lines_at_run_end = display.lines();
    });
  });

  const auto t0 = std::chrono::steady_clock::now();
  if (options.once) {
    if (controller.cameras().empty()) {
      std::fprintf(out, "%s\n",
                   qUtf8Printable(QCoreApplication::translate(
                       "Console", "No cameras configured; nothing to do.")));
      controller.shutdown();
      if (json) put_json_line(json, once_summary({}, 0, kExitOk));
      return kExitOk;
    }
    for (const auto& [id, r] : controller.cameras()) {
      (void)r;
      pending.insert(id);
    }
    QObject::connect(&controller, &SyncController::runEnded, &controller, [&](int id) {
      const RunResult* run = controller.last_run(id);
      if (!pending.count(id) || !run) return;
      outcome[id] = *run;
      pending.erase(id);
      // Each camera's line as soon as its run ends: a script sees results
      // while slower cameras still download.
      if (json) put_json_line(json, camera_run_json(*run, controller.alias_of(id)));
      if (pending.empty()) QCoreApplication::exit(kExitOk);
    });
    controller.start_all();
  } else if (options.now) {
    controller.start_all();
  }

  exit_code = QCoreApplication::exec();
  display.finish();
  controller.shutdown();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  if (options.once) {
    bool all_complete = exit_code == kExitOk;
    for (const auto& [id, r] : controller.cameras()) {
      std::string line = display.camera_label(id) + ": ";
      auto it = outcome.find(id);
      if (it == outcome.end()) {
        // Stopped before this camera's run ended: it still gets its line.
        RunResult unfinished;
        unfinished.camera_id = id;
        unfinished.local = r.is_local != 0;
        it = outcome.emplace(id, unfinished).first;
        if (json) put_json_line(json, camera_run_json(unfinished, controller.alias_of(id)));
        line += QCoreApplication::translate("Console", "interrupted").toStdString();
      } else {
        line += display.outcome_text(id, it->second.status);
      }
      all_complete = all_complete && run_ok(it->second);
      std::fprintf(out, "%s\n", line.c_str());
    }
    const RunResult t = total_of(outcome);
    const std::string extra = SyncDisplay::housekeeping_text(t.card_deleted, t.card_kept,
                                                             t.removed_files, t.removed_bytes);
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "Total: %1 camera(s), %2 new recording(s) (%3 resumed), %4 "
                                    "skipped, %5, %6 s")
                                    .arg(static_cast<int>(outcome.size()))
                                    .arg(t.fetched)
                                    .arg(t.resumed)
                                    .arg(t.skipped)
                                    .arg(QString::fromStdString(human_bytes(t.bytes) + extra))
                                    .arg(seconds, 0, 'f', 1)));
    if (exit_code != kExitInterrupted) exit_code = all_complete ? kExitOk : kExitFailed;
    if (json) put_json_line(json, once_summary(outcome, seconds, exit_code));
  }
  std::fflush(out);
  return exit_code;
}

}  // namespace velmora
