// A desktop notification through the tray icon: the desktop's notification
// service where there is one, the tray's own balloon otherwise.
#pragma once

#include <QString>

#include <functional>

class QSystemTrayIcon;

namespace velmora::ui {

// An icon that is not shown cannot speak, so it is shown while the message
// stays and hidden again afterwards unless `keep_shown` says the window
// lives in the tray by then.
void show_tray_notice(QSystemTrayIcon& tray, const QString& title, const QString& text,
                      std::function<bool()> keep_shown);

}  // namespace velmora::ui
