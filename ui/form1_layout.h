#pragma once

#include <cstddef>
#include <iterator>

#include "twips.h"

// The window's fixed layout, in twips, with no toolkit in it: each control's
// name, caption and place. The option buttons are placed inside Frame1,
// everything else in the client area.
namespace form1_layout {

inline constexpr int kClientWidth = 4110;
inline constexpr int kClientHeight = 2280;

inline constexpr const char* kTitle = "C言語コメント削除";

// The controls, in the order of kControls.
enum ControlId {
  Label1,
  Text1,
  Command1,
  Label2,
  Text2,
  Command2,
  Frame1,
  Option3,
  Option1,
  Option2,
  Option4,
  Command3,
  Text3,
  Label3,
  Command4,
  kControlCount
};

struct Control {
  ControlId id;
  const char* name;
  const char* caption;
  TwipsRect place;
  bool inFrame1;
};

inline constexpr Control kControls[] = {
    {Label1, "Label1", "In", {0, 120, 495, 255}, false},
    {Text1, "Text1", "", {480, 120, 2535, 270}, false},
    {Command1, "Command1", "参照(&1)", {3120, 120, 855, 255}, false},
    {Label2, "Label2", "Out", {0, 480, 495, 255}, false},
    {Text2, "Text2", "", {480, 480, 2535, 270}, false},
    {Command2, "Command2", "参照(&2)", {3120, 480, 855, 255}, false},
    {Frame1, "Frame1", "Frame1", {120, 840, 3855, 975}, false},
    {Option3, "Option3", "C言語コメント削除", {120, 240, 1815, 255}, true},
    {Option1, "Option1", "大文字→小文字", {120, 600, 1695, 255}, true},
    {Option2, "Option2", "小文字→大文字", {1920, 600, 1695, 255}, true},
    {Option4, "Option4", "厳密コメント削除", {1920, 240, 1815, 255}, true},
    {Command3, "Command3", "ＧＯ！(&G)", {120, 1920, 1215, 255}, false},
    {Text3, "Text3", "", {1440, 1920, 975, 270}, false},
    {Label3, "Label3", "行", {2400, 1920, 375, 255}, false},
    {Command4, "Command4", "ＥＸＩＴ(&E)", {2880, 1920, 1095, 255}, false},
};

static_assert([] {
  for (std::size_t i = 0; i < std::size(kControls); ++i) {
    if (kControls[i].id != static_cast<ControlId>(i)) return false;
  }
  return std::size(kControls) == kControlCount;
}());

// The controls that take the focus, in the order Tab visits them.
inline constexpr ControlId kTabOrder[] = {Text1,   Command1, Text2,    Command2, Option1, Option2,
                                          Option4, Command3, Command4, Text3,    Option3};

// The chooser's filters, in order; the C-source one is selected as it opens.
inline constexpr const char* kFilters[] = {"すべてのファイル (*.*)", "Ｃ言語ソース (*.c)",
                                           "ヘッダファイル (*.h)"};
inline constexpr int kInitialFilter = 1;

}  // namespace form1_layout
