// The user's language for everything the program shows, window and console
// alike. The window's texts are written in Chinese and the console's prose
// in English; a Chinese locale gets the Chinese catalogue (the console's
// prose), every other locale the English one (the window's texts).
#pragma once

class QTranslator;

namespace velmora {

// True when the user's language (the default QLocale, or the first language
// LANGUAGE, LC_ALL, LC_MESSAGES or LANG name) is Chinese.
bool chinese_locale();

// Installs the catalogue of the user's language into the application;
// returns it (owned by the application), or null when none could be loaded.
QTranslator* install_translation();

}  // namespace velmora
