#include "window_mode.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <xcb/xcb.h>

#include <memory>

#include "engine_adapter.h"
#include "icons.h"
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

QString background_instance_text(long pid) {
  const QString pid_text = pid > 0 ? QString::number(pid) : QStringLiteral("?");
  return QCoreApplication::translate(
             "WindowMode",
             "Velmora 已在后台运行（进程号 %1），正在按设置同步摄像机；窗口不能同时打开。\n"
             "查看它的状态：velmora status\n"
             "停止它：systemctl --user stop velmora（不是以服务启动的：kill %1），然后再打开窗口。")
      .arg(pid_text);
}

QMessageBox* background_instance_box(const QString& text, QWidget* parent) {
  auto* box = new QMessageBox(QMessageBox::Information,
                              QCoreApplication::translate("WindowMode", "录像同步"), text,
                              QMessageBox::Ok, parent);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse);
  box->setWindowIcon(program_icon());
  return box;
}

void show_background_instance(const QString& text) {
  std::unique_ptr<QMessageBox> box(background_instance_box(text));
  box->exec();
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
  if (options.on_raise_ready) options.on_raise_ready([&window] { window.bring_to_front(); });
  window.show();
  if (options.start_all) engine.start_all();
  return QApplication::exec();
}

}  // namespace velmora::ui
