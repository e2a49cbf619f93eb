#include "window_mode.h"

#include <QApplication>
#include <QSessionManager>

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
  // The session is ending: everything is saved now (each change already
  // was), and the close that follows the end of the session must not wait
  // for an answer that nobody gives.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                   [&](QSessionManager&) {
                     engine.save_state();
                     window.skip_close_question();
                   });
  if (options.on_end_ready) options.on_end_ready([&window] { window.end_without_asking(); });
  window.show();
  if (options.start_all) engine.start_all();
  return QApplication::exec();
}

}  // namespace velmora::ui
