// "velmora" with no arguments: the desktop window on the user's cameras.
#include <QCoreApplication>

#include "app_paths.h"
#include "runtime_dir.h"
#include "modes.h"
#include "sync_controller.h"
#include "window_mode.h"

#include <cstdio>

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
  const int code = ui::run_main_window(controller, {});
  controller.shutdown();
  return code;
}

}  // namespace velmora
