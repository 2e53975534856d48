#include "console_window.h"

namespace cstrip {

std::optional<ConsoleMode> parseConsoleMode(const std::string& name) {
  if (name == "strip") return ConsoleMode::Strip;
  if (name == "lower") return ConsoleMode::Lower;
  if (name == "upper") return ConsoleMode::Upper;
  return std::nullopt;
}

}  // namespace cstrip
