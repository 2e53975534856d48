#pragma once

#include <QString>
#include <QStringList>
#include <string_view>

#include "twips.h"

// The window's fixed layout, in twips. The option buttons are placed inside
// Frame1; everything else in the client area. Tab order lists the controls
// that take the focus, in the order Tab visits them.
namespace form1_layout {

inline constexpr int kClientWidth = 4110;
inline constexpr int kClientHeight = 2280;

inline const char* const kTitle = "C言語コメント削除";

struct Control {
  const char* name;
  const char* caption;
  TwipsRect place;
};

inline constexpr Control kControls[] = {
    {"Label1", "In", {0, 120, 495, 255}},
    {"Text1", "", {480, 120, 2535, 270}},
    {"Command1", "参照(&1)", {3120, 120, 855, 255}},
    {"Label2", "Out", {0, 480, 495, 255}},
    {"Text2", "", {480, 480, 2535, 270}},
    {"Command2", "参照(&2)", {3120, 480, 855, 255}},
    {"Frame1", "Frame1", {120, 840, 3855, 975}},
    {"Option3", "C言語コメント削除", {120, 240, 1815, 255}},
    {"Option1", "大文字→小文字", {120, 600, 1695, 255}},
    {"Option2", "小文字→大文字", {1920, 600, 1695, 255}},
    {"Command3", "ＧＯ！(&G)", {120, 1920, 1215, 255}},
    {"Text3", "", {1440, 1920, 975, 270}},
    {"Label3", "行", {2400, 1920, 375, 255}},
    {"Command4", "ＥＸＩＴ(&E)", {2880, 1920, 1095, 255}},
};

inline const QStringList kTabOrder = {"Text1",   "Command1", "Text2",    "Command2", "Option1",
                                      "Option2", "Command3", "Command4", "Text3",    "Option3"};

// The chooser's filters, in order; the C-source one is selected as it opens.
inline const QStringList kFilters = {"すべてのファイル (*.*)", "Ｃ言語ソース (*.c)",
                                     "ヘッダファイル (*.h)"};
inline constexpr int kInitialFilter = 1;

// The entry for the control named `name`, which must be in the table.
inline const Control& control(std::string_view name) {
  for (const Control& entry : kControls) {
    if (entry.name == name) return entry;
  }
  Q_UNREACHABLE();
}

}  // namespace form1_layout
