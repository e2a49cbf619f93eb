// "velmora --headless [--once]": the engine as the window would run it, with
// the console as its display.
#include <QCoreApplication>

#include <cstdio>
#include <map>
#include <set>

#include "app_paths.h"
#include "console.h"
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
    case STATUS_USER_STOPPED: return true;
    default: return false;
  }
}

}  // namespace

int run_headless(const HeadlessOptions& options) {
  if (!acquire_instance_lock()) return kExitAlreadyRunning;
  Console::capture(options.verbose);
  std::FILE* out = Console::out();

  ControllerOptions copts;
  copts.paths = AppPaths::from_environment();
  copts.link_dir = QString::fromStdString(runtime_dir());
  copts.periodic_timers = !options.once;
  SyncController controller(copts);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: the camera library could not start\n");
    return kExitFailed;
  }
  SyncDisplay display(controller, out, Console::interactive());
  StopSignals stopper;

  std::fprintf(out, "Velmora headless: %zu camera(s), download folder %s\n",
               controller.cameras().size(), controller.scheduler().download_root().c_str());
  if (!options.once) {
    const std::int64_t ms = auto_sync_interval_ms(controller.settings().interval_code);
    if (ms > 0) {
      std::fprintf(out, "Automatic synchronisation every %s; failed cameras retried every %d s.%s\n",
                   interval_text(controller.settings().interval_code),
                   copts.retry_interval_ms / 1000,
                   options.now ? "" : " Press Ctrl+C to stop.");
    } else {
      std::fprintf(out, "Automatic synchronisation is off (interval code %d).\n",
                   controller.settings().interval_code);
    }
  }

  int exit_code = kExitOk;
  std::map<std::int32_t, int> outcome;  // --once: final status per camera
  std::map<std::int32_t, int> failed_files;
  std::set<std::int32_t> pending;

  QObject::connect(&controller, &SyncController::fileFailed, &controller,
                   [&](int id, const QString&, const QString&) { ++failed_files[id]; });
  QObject::connect(&stopper, &StopSignals::stopRequested, &controller, [&](int) {
    display.event("stopping all cameras");
    QCoreApplication::exit(options.once ? kExitFailed : kExitOk);
  });

  if (options.once) {
    if (controller.cameras().empty()) {
      std::fprintf(out, "No cameras configured; nothing to do.\n");
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

  if (options.once) {
    bool all_complete = exit_code == kExitOk;
    for (const auto& [id, r] : controller.cameras()) {
      (void)r;
      auto it = outcome.find(id);
      const CameraView& v = controller.view(id);
      std::string line = display.camera_label(id) + ": ";
      if (it == outcome.end()) {
        line += "interrupted";
        all_complete = false;
      } else {
        line += status_english(it->second);
        if (it->second != STATUS_COMPLETE) all_complete = false;
      }
      if (v.total > 0 || (it != outcome.end() && it->second == STATUS_COMPLETE))
        line += ", " + std::to_string(v.done) + "/" + std::to_string(v.total) + " recordings";
      if (failed_files[id] > 0) {
        line += ", " + std::to_string(failed_files[id]) + " skipped";
        all_complete = false;
      }
      std::fprintf(out, "%s\n", line.c_str());
    }
    exit_code = all_complete ? kExitOk : kExitFailed;
  }
  std::fflush(out);
  return exit_code;
}

}  // namespace velmora
