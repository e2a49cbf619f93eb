// The window's texts that belong to numbers (camera statuses, interval
// codes), in the user's language. The program's own texts are the Chinese
// ones; other locales get the English catalogue.
#pragma once

#include <QString>

class QTranslator;

namespace velmora::ui {

QString status_label(int status);
QString interval_label(int code);  // codes 0..8
// Icon index of a camera list row (0 idle, 1 synchronising, 2 stopped by the
// user, 3 waiting or connecting, 4 complete, 5 failed).
int status_icon_index(int status);

// Installs the English catalogue unless the locale is Chinese; returns it
// (owned by the application), or null when the program's own texts stay.
QTranslator* install_translation();

}  // namespace velmora::ui
