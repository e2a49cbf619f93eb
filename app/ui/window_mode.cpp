#include "window_mode.h"

#include <QApplication>
#include <QSessionManager>

#include <xcb/xcb.h>

#include "engine_adapter.h"
#include "main_window.h"
#include "ui_texts.h"

namespace velmora::ui {

namespace {

// Qt aborts the process when its X platform cannot open the display; the
// connection is tried here first so that an unreachable display is reported
// like a missing one.
bool x_display_opens() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool ok = c != nullptr && xcb_connection_has_error(c) == 0;
  if (c != nullptr) xcb_disconnect(c);
  return ok;
}

}  // namespace

bool display_available() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && !platform.startsWith("xcb")) return true;
  // Without a platform named, Qt picks X unless Wayland is there.
  if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return true;
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  static const bool opens = x_display_opens();
  return opens;
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
