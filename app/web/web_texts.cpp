#include "web_texts.h"

#include <QList>
#include <QTranslator>

namespace velmora {

WebLanguage web_language(const QByteArray& accept_language) {
  // "fr-CH, fr;q=0.9, zh;q=0.8": the tag with the highest weight, the first
  // of equal ones. A malformed weight counts as 0 (not acceptable).
  QByteArray best;
  double best_q = 0.0;
  for (const QByteArray& item : accept_language.split(',')) {
    const QList<QByteArray> parts = item.split(';');
    const QByteArray tag = parts.first().trimmed().toLower();
    double q = 1.0;
    for (qsizetype i = 1; i < parts.size(); ++i) {
      const QByteArray p = parts[i].trimmed();
      if (p.startsWith("q=")) {
        bool ok = false;
        q = p.mid(2).toDouble(&ok);
        if (!ok) q = 0.0;
      }
    }
    if (!tag.isEmpty() && q > best_q) {
      best = tag;
      best_q = q;
    }
  }
  return best == "zh" || best.startsWith("zh-") ? WebLanguage::Chinese : WebLanguage::English;
}

QString web_text(WebLanguage language, const char* source) {
  if (language == WebLanguage::English) return QString::fromUtf8(source);
  // Loaded once and kept for the life of the process.
  static QTranslator* const chinese = [] {
    auto* t = new QTranslator;
    if (!t->load(QStringLiteral(":/velmora/i18n/velmora_zh_CN.qm"))) {
      delete t;
      return static_cast<QTranslator*>(nullptr);
    }
    return t;
  }();
  const QString text = chinese ? chinese->translate("Web", source) : QString();
  return text.isEmpty() ? QString::fromUtf8(source) : text;
}

const char* web_language_tag(WebLanguage language) {
  return language == WebLanguage::Chinese ? "zh-CN" : "en";
}

}  // namespace velmora
