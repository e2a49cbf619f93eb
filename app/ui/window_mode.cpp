#include "window_mode.h"

#include <QApplication>

#include "engine_adapter.h"
#include "main_window.h"
#include "ui_texts.h"

namespace velmora::ui {

bool display_available() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int run_main_window(SyncController& controller, const WindowModeOptions& options) {
  // The window hides itself in the tray; only a confirmed close ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  EngineAdapter engine(controller);
  CVelmoraDlg window(engine);
  QObject::connect(&window, &CVelmoraDlg::closeAccepted, &window, [] { QApplication::quit(); });
  window.show();
  if (options.start_all) engine.start_all();
  return QApplication::exec();
}

}  // namespace velmora::ui
