#include "autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::autostart {

bool parse_argument(const QString& argument, Request& out) {
  QString a = argument;
  while (a.startsWith(QLatin1Char(' '))) a.remove(0, 1);
  if (a.size() < 3 || a[1] != QLatin1Char('_')) return false;
  if (a[0] != QLatin1Char('0') && a[0] != QLatin1Char('1')) return false;
  const QString program = a.mid(2);
  if (!QDir::isAbsolutePath(program)) return false;
  if (program.contains(QLatin1Char('\n')) || program.contains(QLatin1Char('\r'))) return false;
  out.enable = a[0] == QLatin1Char('1');
  out.program = program;
  return true;
}

QString entry_path() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.config";
  return base + "/autostart/velmora.desktop";
}

QString exec_value(const QString& program) {
  // Inside a quoted argument `"`, backquote, `$` and backslash take a
  // backslash; the value as a whole is a string, whose own escape doubles
  // every backslash again. A literal `%` is written `%%`.
  QString quoted;
  for (QChar c : program) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    quoted += c;
  }
  quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  quoted.replace(QLatin1String("%"), QLatin1String("%%"));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool apply(const Request& request, QString& error) {
  const QString path = entry_path();
  if (!request.enable) {
    if (QFile::exists(path) && !QFile::remove(path)) {
      error = QStringLiteral("cannot remove %1").arg(path);
      return false;
    }
    return true;
  }
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    error = QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath());
    return false;
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    error = QStringLiteral("cannot write %1").arg(path);
    return false;
  }
  const QString text = QStringLiteral(
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Velmora\n"
                           "Comment=Keeps a local copy of the cameras' recordings\n"
                           "Exec=%1\n"
                           "Icon=velmora\n"
                           "Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n")
                           .arg(exec_value(request.program));
  f.write(text.toUtf8());
  if (!f.commit()) {
    error = QStringLiteral("cannot write %1").arg(path);
    return false;
  }
  return true;
}

}  // namespace velmora::autostart
