#include <cstdio>

#include "file_names.h"

namespace cstrip {

namespace {

void appendOctal(std::string& to, unsigned char byte) {
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\%03o", byte);
  to += escape;
}

}  // namespace

std::string quoteControls(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // C1 controls, U+0080 to U+009F, are the bytes C2 80 to C2 9F in UTF-8.
    const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (byte == '\n') {
      quoted += "\\n";
    } else if (byte == '\t') {
      quoted += "\\t";
    } else if (byte == '\r') {
      quoted += "\\r";
    } else if (byte < 0x20 || byte == 0x7F || c1) {
      appendOctal(quoted, byte);
      if (c1) appendOctal(quoted, static_cast<unsigned char>(text[++i]));
    } else {
      quoted += text[i];
    }
  }
  return quoted;
}

}  // namespace cstrip
