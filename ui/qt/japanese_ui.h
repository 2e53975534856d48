#pragma once

#include <QFont>

// `base` with a Japanese UI font first in its families, at a size where each
// caption fits its fixed control. Families not installed are skipped, and
// if none is, the system's own fallback supplies the glyphs.
QFont japaneseUiFont(const QFont& base);

// Puts Qt's own texts (the message box's OK, the text boxes' context
// menus) in Japanese, once per application. Without Qt's translations
// installed they stay in English.
void installJapaneseQtTranslation();
