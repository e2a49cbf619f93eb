// The page's texts in the visitor's language: the browser's first choice in
// Accept-Language, Chinese for zh, English for every other. The texts are
// written in English in the context "Web" and translated by the program's
// Chinese catalogue, loaded here apart from the one the process installed
// for its own locale (the service's locale is not the visitor's). Main
// thread only.
#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

enum class WebLanguage { English, Chinese };

WebLanguage web_language(const QByteArray& accept_language);
// `source` is an English text marked with QT_TRANSLATE_NOOP("Web", ...).
QString web_text(WebLanguage language, const char* source);
// The value of <html lang>.
const char* web_language_tag(WebLanguage language);

}  // namespace velmora
