// "velmora --headless [--once]": the engine as the window would run it, with
// the console as its display and the control socket through which other
// velmora commands reach it.
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>

#include "app_paths.h"
#include "console.h"
#include "control_channel.h"
#include "engine_profile.h"
#include "modes.h"
#include "status_texts.h"
#include "stop_signals.h"
#include "sync_controller.h"
#include "sync_display.h"
#include "window_messages.h"

namespace velmora {

namespace {

// Statuses that end a camera's run for --once.
bool ends_run(int status) {
  switch (status) {
    case STATUS_COMPLETE:
    case STATUS_CONNECT_FAILED:
    case STATUS_INTERRUPTED:
    case STATUS_TIMED_OUT:
    case STATUS_WRONG_PASSWORD:
    case STATUS_LIVE_ELSEWHERE:
    case STATUS_DISK_FULL:
    case STATUS_USER_STOPPED: return true;
    default: return false;
  }
}

std::string date_time(const QDateTime& t) {
  return t.toString("yyyy-MM-ddTHH:mm:ss").toStdString();
}

// Says when the next automatic run is due: after start, after each run and
// when the interval changes.
class NextRun {
public:
  NextRun(SyncController& controller, SyncDisplay& display)
      : controller_(controller), display_(display) {}

  void armed() {
    const std::int64_t ms = auto_sync_interval_ms(controller_.settings().interval_code);
    due_ = ms > 0 ? QDateTime::currentDateTime().addMSecs(ms) : QDateTime();
  }
  std::string text() const {
    if (!due_.isValid())
      return QCoreApplication::translate("Console",
                                         "automatic synchronisation is off; start a run with "
                                         "'velmora sync' (or restart with --now)")
          .toStdString();
    return QCoreApplication::translate("Console", "next automatic run at %1 (interval: %2)")
        .arg(QString::fromStdString(date_time(due_)),
             interval_label(controller_.settings().interval_code))
        .toStdString();
  }
  void say() { display_.event(text()); }

private:
  SyncController& controller_;
  SyncDisplay& display_;
  QDateTime due_;
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

}  // namespace

int run_headless(const HeadlessOptions& options) {
  if (!acquire_instance_lock(true)) return kExitAlreadyRunning;
  Console::capture(options.verbose);
  std::FILE* out = Console::out();

  ControllerOptions copts;
  copts.paths = AppPaths::from_environment();
  copts.link_dir = QString::fromStdString(runtime_dir());
  copts.periodic_timers = !options.once;
  SyncController controller(copts);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console",
                                                            "the camera library could not start")));
    return kExitFailed;
  }
  SyncDisplay display(controller, out, Console::interactive());
  StopSignals stopper;
  NextRun next(controller, display);
  EngineProfile profile(controller, [&] {
    next.armed();
    if (!options.once) next.say();
  });
  ControlServer control(runtime_dir(), [&](const std::vector<std::string>& words) {
    Reply r = run_change(words, profile);
    display.event(change_summary(words) + ": " +
                  (r.code == 0 ? QCoreApplication::translate("Console", "done")
                               : QCoreApplication::translate("Console", "refused"))
                      .toStdString());
    return r;
  });
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
  if (!options.once) {
    next.armed();
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console", "Failed cameras are retried every %1 s. Press "
                                               "Ctrl+C to stop.")
                                    .arg(copts.retry_interval_ms / 1000)));
    next.say();
  }
  std::fflush(out);

  int exit_code = kExitOk;
  std::map<std::int32_t, int> outcome;  // --once: final status per camera
  std::set<std::int32_t> pending;

  QObject::connect(&stopper, &StopSignals::stopRequested, &controller, [&](int) {
    display.event(QCoreApplication::translate("Console", "stopping all cameras").toStdString());
    QCoreApplication::exit(options.once ? kExitInterrupted : kExitOk);
  });
  QObject::connect(&controller, &SyncController::autoSyncFired, &controller,
                   [&](const QString&) { next.armed(); });
  // A run is over when no camera is waiting or active any more; the status
  // arrives before the camera's release, so look once the event is handled.
  QObject::connect(&controller, &SyncController::statusChanged, &controller, [&](int, int status) {
    if (options.once || !status_is_final(status)) return;
    QTimer::singleShot(0, &controller, [&] {
      if (!controller.scheduler().active().empty() || !controller.scheduler().waiting().empty())
        return;
      QString text = QCoreApplication::translate("Console", "run finished");
      if (!controller.retry_list().empty())
        text += QCoreApplication::translate("Console", "; ") +
                QCoreApplication::translate("Console", "%n camera(s) to retry within %1 s",
                                                   nullptr,
                                                   int(controller.retry_list().size()))
                           .arg(copts.retry_interval_ms / 1000);
      display.event((text + QCoreApplication::translate("Console", "; ")).toStdString() + next.text());
    });
  });

  const auto t0 = std::chrono::steady_clock::now();
  if (options.once) {
    if (controller.cameras().empty()) {
      std::fprintf(out, "%s\n",
                   qUtf8Printable(QCoreApplication::translate(
                       "Console", "No cameras configured; nothing to do.")));
      controller.shutdown();
      return kExitOk;
    }
    for (const auto& [id, r] : controller.cameras()) {
      (void)r;
      pending.insert(id);
    }
    QObject::connect(&controller, &SyncController::statusChanged, &controller,
                     [&](int id, int status) {
                       if (!pending.count(id) || !ends_run(status)) return;
                       outcome[id] = status;
                       pending.erase(id);
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
    int cameras = 0;
    for (const auto& [id, r] : controller.cameras()) {
      (void)r;
      ++cameras;
      auto it = outcome.find(id);
      std::string line = display.camera_label(id) + ": ";
      if (it == outcome.end()) {
        line += QCoreApplication::translate("Console", "interrupted").toStdString();
        all_complete = false;
      } else {
        line += display.outcome_text(id, it->second);
        if (it->second != STATUS_COMPLETE || display.tally(id).skipped > 0) all_complete = false;
      }
      std::fprintf(out, "%s\n", line.c_str());
    }
    const SyncDisplay::Tally t = display.total();
    const std::string extra = SyncDisplay::housekeeping_text(t.card_deleted, t.card_kept,
                                                             t.removed_files, t.removed_bytes);
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "Total: %1 camera(s), %2 new recording(s) (%3 resumed), %4 "
                                    "skipped, %5, %6 s")
                                    .arg(cameras)
                                    .arg(t.new_files)
                                    .arg(t.resumed)
                                    .arg(t.skipped)
                                    .arg(QString::fromStdString(human_bytes(t.bytes) + extra))
                                    .arg(seconds, 0, 'f', 1)));
    if (exit_code != kExitInterrupted) exit_code = all_complete ? kExitOk : kExitFailed;
  }
  std::fflush(out);
  return exit_code;
}

}  // namespace velmora
