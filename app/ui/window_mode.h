// Runs the desktop window on a started engine until the user closes it.
#pragma once

namespace velmora {

class SyncController;

namespace ui {

// True when a window can be shown: a display server is named in the
// environment, or a Qt platform was chosen explicitly.
bool display_available();

struct WindowModeOptions {
  bool start_all = false;  // start every camera at once (the demo)
};

// Needs a QApplication. Returns when the user has confirmed closing; the
// caller then shuts the engine down.
int run_main_window(SyncController& controller, const WindowModeOptions& options);

}  // namespace ui
}  // namespace velmora
