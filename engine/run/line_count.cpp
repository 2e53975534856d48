#include "line_count.h"

#include <charconv>

namespace cstrip {

std::string formatLineCount(LineCount count) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
  return std::string(digits, end);
}

}  // namespace cstrip
