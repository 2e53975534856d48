#include "file_names.h"
#include "wide_text.h"

namespace cstrip {

std::string displayPath(const std::filesystem::path& path) {
  return quoteControls(toUtf8(path.native()));
}

std::filesystem::path findFile(const std::filesystem::path& path) {
  return path;
}

std::filesystem::path pathFromText(const std::string& text) {
  return toWide(text);
}

}  // namespace cstrip
