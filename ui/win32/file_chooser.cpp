#include "file_chooser.h"

#include <commdlg.h>

#include <string>
#include <string_view>

#include "form1_layout.h"
#include "wide_text.h"

namespace {

// The filters as the dialog takes them: each label, then the pattern in its
// parentheses, each ended by a NUL, and a NUL after the last.
std::wstring filterList() {
  std::wstring list;
  for (const char* filter : form1_layout::kFilters) {
    const std::string_view label = filter;
    const std::size_t open = label.rfind('(');
    const std::size_t close = label.rfind(')');
    list += cstrip::toWide(label) + L'\0';
    list += cstrip::toWide(label.substr(open + 1, close - open - 1)) + L'\0';
  }
  return list;
}

}  // namespace

std::optional<std::filesystem::path> FileChooser::choose(HWND owner) {
  static const std::wstring kFilterList = filterList();
  std::wstring file = lastPath_.native();
  file.resize(32768);  // the longest path Windows takes
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilterList.c_str();
  dialog.nFilterIndex = form1_layout::kInitialFilter + 1;  // counted from 1
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  file.resize(file.find(L'\0'));
  lastPath_ = file;
  return lastPath_;
}
