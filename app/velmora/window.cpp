// "velmora" with no arguments: the desktop window on the user's cameras.
#include <QCoreApplication>

#include <cstdio>

#include "app_paths.h"
#include "commands.h"
#include "control_channel.h"
#include "engine_profile.h"
#include "modes.h"
#include "runtime_dir.h"
#include "sync_controller.h"
#include "window_mode.h"

namespace velmora {

int run_window() {
  // A second start ends silently: the running window is the one to use.
  if (!acquire_instance_lock(/*report=*/false)) return kExitAlreadyRunning;
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
  ControlServer control(runtime_dir(), [&](const std::vector<std::string>& words) {
    return run_change(words, profile);
  });
  if (!control.listen())
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console",
                     "the control socket could not be opened; other velmora commands cannot "
                     "reach this window")));
  const int code = ui::run_main_window(controller, {});
  controller.shutdown();
  return code;
}

}  // namespace velmora
