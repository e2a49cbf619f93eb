#include "translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace velmora {

bool chinese_locale() {
  const QLocale locale;
  // Without an explicit default the messages' language counts: LC_MESSAGES
  // may differ from the locale used for numbers.
  if (locale == QLocale::system()) {
    const QStringList languages = QLocale::system().uiLanguages();
    if (!languages.isEmpty()) return QLocale(languages.first()).language() == QLocale::Chinese;
  }
  return locale.language() == QLocale::Chinese;
}

QTranslator* install_translation() {
  const QString file = chinese_locale() ? QStringLiteral("velmora_zh_CN.qm")
                                        : QStringLiteral("velmora_en.qm");
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(QStringLiteral(":/velmora/i18n/") + file)) {
    delete t;
    return nullptr;
  }
  QCoreApplication::installTranslator(t);
  return t;
}

}  // namespace velmora
