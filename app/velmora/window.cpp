// "velmora" with no arguments: the desktop window on the user's cameras.
#include <QCoreApplication>

#include <cstdio>

#include "app_paths.h"
#include "commands.h"
#include "console.h"
#include "control_answers.h"
#include "control_channel.h"
#include "engine_profile.h"
#include "instance_lock.h"
#include "modes.h"
#include "run_report.h"
#include "runtime_dir.h"
#include "stop_signals.h"
#include "sync_controller.h"
#include "window_front.h"
#include "window_mode.h"

namespace velmora {

int run_window(bool verbose) {
  const QString link_dir = QString::fromStdString(runtime_dir());
  if (!acquire_instance_lock(/*report=*/false)) {
    // A second window start brings the first to the front and ends quietly.
    if (WindowFront::ask(link_dir)) return kExitAlreadyRunning;
    // Otherwise the background service (or a command) holds the profile:
    // the menu entry must not just do nothing.
    const QString text =
        ui::background_instance_text(InstanceLock::holder_pid(runtime_dir()));
    std::fprintf(stderr, "velmora: %s\n", qUtf8Printable(text));
    ui::show_background_instance(text);
    return kExitAlreadyRunning;
  }
  // Listening before anything else starts: a second start made meanwhile
  // finds this window rather than taking it for the service.
  WindowFront front(link_dir);
  front.listen();
  // The library writes its log lines to standard output: as in headless
  // mode they go to standard error with --verbose and nowhere otherwise.
  // Nothing reads a pipe here, so they never take one.
  Console::capture(verbose);
  Console::library_lines_direct();
  ControllerOptions options;
  options.paths = AppPaths::from_environment();
  options.link_dir = link_dir;
  SyncController controller(options);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console",
                                                            "the camera library could not start")));
    return kExitFailed;
  }
  // The notify command gets the reason the console shows.
  controller.notifier().set_reason_text([](const RunResult& r) { return run_error_text(r); });
  // Other velmora commands hand their changes to the window, as they do to
  // a headless service, so nothing either side saves is lost.
  EngineProfile profile(controller);
  ControlAnswers answers(controller, profile);
  ControlServer control(runtime_dir(),
                        ControlServer::DeferredHandler(
                            [&](const std::vector<std::string>& words,
                                ControlServer::Respond respond) { answers.answer(words, respond); }));
  if (!control.listen())
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console",
                     "the control socket could not be opened; other velmora commands cannot "
                     "reach this window")));
  // SIGTERM, SIGHUP (the session ends, a service manager stops us) and
  // SIGINT end the window as a confirmed close does: cameras stopped, the
  // library finalised, everything saved.
  StopSignals stopper;
  ui::WindowModeOptions window_options;
  window_options.on_end_ready = [&stopper](std::function<void()> end) {
    QObject::connect(&stopper, &StopSignals::stopRequested, &stopper,
                     [end = std::move(end)](int) { end(); });
  };
  window_options.on_raise_ready = [&front](std::function<void()> raise) {
    front.set_raise(std::move(raise));
  };
  const int code = ui::run_main_window(controller, window_options);
  front.set_raise({});
  controller.shutdown();
  return code;
}

}  // namespace velmora
