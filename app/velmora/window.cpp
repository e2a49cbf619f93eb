// "velmora" with no arguments: the desktop window on the user's cameras.
#include <QCoreApplication>

#include <cstdio>

#include "app_paths.h"
#include "commands.h"
#include "console.h"
#include "control_answers.h"
#include "control_channel.h"
#include "engine_profile.h"
#include "modes.h"
#include "runtime_dir.h"
#include "stop_signals.h"
#include "sync_controller.h"
#include "window_mode.h"

namespace velmora {

int run_window(bool verbose) {
  // A second start ends silently: the running window is the one to use.
  if (!acquire_instance_lock(/*report=*/false)) return kExitAlreadyRunning;
  // The library writes its log lines to standard output: as in headless
  // mode they go to standard error with --verbose and nowhere otherwise.
  // Nothing reads a pipe here, so they never take one.
  Console::capture(verbose);
  Console::library_lines_direct();
  ControllerOptions options;
  options.paths = AppPaths::from_environment();
  options.link_dir = QString::fromStdString(runtime_dir());
  SyncController controller(options);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console",
                                                            "the camera library could not start")));
    return kExitFailed;
  }
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
  const int code = ui::run_main_window(controller, window_options);
  controller.shutdown();
  return code;
}

}  // namespace velmora
