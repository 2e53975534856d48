#include "japanese_ui.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

QFont japaneseUiFont(const QFont& base) {
  QFont font = base;
  font.setFamilies({"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic",
                    "Droid Sans Japanese"});
  // 9 points at 96 DPI: the size the layout's controls were drawn for.
  font.setPixelSize(12);
  return font;
}

void installJapaneseQtTranslation() {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || application->property("cstripJapanese").toBool()) return;
  auto* translator = new QTranslator(application);
  if (translator->load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
  application->setProperty("cstripJapanese", true);
}
