// Runs the desktop window on a started engine until the user closes it.
#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace velmora {

class SyncController;

namespace ui {

// True when a window can be shown: a Qt platform other than X was chosen, a
// Wayland display is named, or the X display named in DISPLAY opens.
bool display_available();

struct WindowModeOptions {
  bool start_all = false;  // start every camera at once (the demo)
  // Given the window's way to end without asking (as a confirmed close
  // does), for the caller to call on a stop signal.
  std::function<void(std::function<void()> end)> on_end_ready;
  // Given the window's way to come to the front (from the tray too), for
  // the caller to call when another start asks for it.
  std::function<void(std::function<void()> raise)> on_raise_ready;
};

// Why no window opens while Velmora runs in the background (the holder of
// the instance lock, `pid`; 0 when unknown) and what to do: the same text
// for the dialog and standard error, in the user's language.
QString background_instance_text(long pid);
// The dialog that shows it (the caller owns it); needs a QApplication.
QMessageBox* background_instance_box(const QString& text, QWidget* parent = nullptr);
// Shows that dialog and returns when it is closed.
void show_background_instance(const QString& text);

// Needs a QApplication. Returns when the user has confirmed closing, the
// caller's end was called, or the desktop session ends; the caller then
// shuts the engine down. When the session manager asks the program to save
// its state, settings and aliases are written at once.
int run_main_window(SyncController& controller, const WindowModeOptions& options);

}  // namespace ui
}  // namespace velmora
