#include "tray_notice.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

namespace velmora::ui {

namespace {

constexpr int kShownMs = 10000;

}  // namespace

void show_tray_notice(QSystemTrayIcon& tray, const QString& title, const QString& text,
                      std::function<bool()> keep_shown) {
  if (!QSystemTrayIcon::isSystemTrayAvailable() && !QSystemTrayIcon::supportsMessages()) return;
  const bool was_shown = tray.isVisible();
  if (!was_shown) tray.show();
  tray.showMessage(title, text, QSystemTrayIcon::Warning, kShownMs);
  if (was_shown) return;
  QPointer<QSystemTrayIcon> icon(&tray);
  QTimer::singleShot(kShownMs, &tray, [icon, keep_shown = std::move(keep_shown)] {
    if (icon && !(keep_shown && keep_shown())) icon->hide();
  });
}

}  // namespace velmora::ui
