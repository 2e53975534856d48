#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>

// The system's open-file dialog, as both browse buttons use it: the layout
// table's filters in their order with the C-source one selected, a new name
// accepted (the output need not exist), and the last confirmed path offered
// again next time, for either button.
class FileChooser {
 public:
  // Shows the dialog over `owner`. The chosen path, or nothing when the user
  // cancels.
  std::optional<std::filesystem::path> choose(HWND owner);

 private:
  std::filesystem::path lastPath_;
};
