#pragma once

// A preprocessing tokenizer written apart from the C comment stripper, to
// read back what the stripper writes and compare it with what it read.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text_encoding.h"

namespace cstrip::testing {

// The preprocessing tokens of C source (translation phases 1 to 3), each
// spelled without its splices and after a space where whitespace, a comment
// or a line start comes before it (as the # operator sees), with a "\n"
// token ending each directive; other line ends are whitespace. In Shift-JIS
// a trail byte 0x5C is no backslash; `rawStrings` reads C++ raw strings.
inline std::vector<std::string> cTokens(std::string_view input, TextEncoding encoding,
                                        bool rawStrings = false) {
  const bool shiftJis = encoding == TextEncoding::ShiftJis;
  // The bytes of the character at `at`: 2 for a Shift-JIS pair, else 1.
  const auto width = [shiftJis](std::string_view s, std::size_t at) -> std::size_t {
    const int lead = s[at] & 0xFF, trail = at + 1 < s.size() ? s[at + 1] & 0xFF : 0;
    return 1 + (shiftJis && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
                ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)));
  };
  const auto lineEnd = [input](std::size_t at) -> std::size_t {  // its bytes, or 0
    return input.compare(at, 2, "\r\n") == 0 ? 2 : input[at] == '\r' || input[at] == '\n';
  };

  // Phases 1 and 2: each line end becomes one LF and each splice goes;
  // text[k] stands at from[k] in the input, and from.back() is its end.
  std::string text;
  std::vector<std::size_t> from;
  for (std::size_t at = 0; at < input.size();) {
    const std::size_t after = input[at] == '\\' ? input.find_first_not_of(" \t", at + 1) : at;
    if (after != at && after < input.size() && lineEnd(after) != 0) {
      at = after + lineEnd(after);  // a splice
      continue;
    }
    const std::size_t bytes = lineEnd(at) != 0 ? lineEnd(at) : width(input, at);
    text += lineEnd(at) != 0 ? std::string_view("\n") : input.substr(at, bytes);
    for (std::size_t k = 0; from.size() < text.size(); ++k) from.push_back(at + k);
    at += bytes;
  }
  from.push_back(input.size());

  // Phase 3.
  const auto identifier = [&](std::size_t k) {
    return k < text.size() && (std::isalnum(text[k] & 0xFF) || text[k] == '_' || text[k] == '$' ||
                               (text[k] & 0x80) != 0);
  };
  // The end of the string or character constant whose quote is at `quote`:
  // past its closing quote, or at its line's end when there is none.
  const auto quoted = [&](std::size_t quote) {
    std::size_t k = quote + 1;
    for (; k < text.size() && text[k] != '\n'; k += width(text, k)) {
      if (text[k] == text[quote]) return k + 1;
      if (text[k] == '\\' && k + 1 < text.size() && text[k + 1] != '\n') ++k;
    }
    return k;
  };
  // Where in the input the raw string at `quote` ends (0 without a valid
  // delimiter): read there, since in raw strings splices are text again.
  const auto rawEnd = [&](std::size_t quote) -> std::size_t {
    const std::size_t open = input.find('(', from[quote]);
    const std::string delimiter(input.substr(from[quote] + 1, open - from[quote] - 1));
    if (open == std::string_view::npos || delimiter.size() > 16 ||
        delimiter.find_first_of(" ()\\\t\v\f\r\n") != std::string::npos)
      return 0;
    const std::size_t close = input.find(")" + delimiter + '"', open);
    return close == std::string_view::npos ? input.size() : close + delimiter.size() + 2;
  };
  std::vector<std::string> tokens;
  bool space = true, lineStart = true, directive = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    // Whitespace and comments; an unclosed block comment runs to the end.
    std::size_t blank = std::isspace(text[at] & 0xFF) ? at + 1 : 0;
    if (text.compare(at, 2, "//") == 0) blank = std::min(text.find('\n', at), text.size());
    if (text.compare(at, 2, "/*") == 0)
      blank = std::min(text.find("*/", at + 2), text.size() - 2) + 2;
    if (blank != 0) {
      if (text[at] == '\n' && directive) tokens.emplace_back("\n");
      if (text[at] == '\n') lineStart = true, directive = false;
      at = blank;
      space = true;
      continue;
    }
    std::string spelling;
    // An identifier, or a string or character constant after its prefix.
    if ((identifier(at) && !std::isdigit(text[at] & 0xFF)) || text[at] == '"' || text[at] == '\'') {
      while (identifier(at)) at += width(text, at);
      const std::string_view word(text.data() + start, at - start);
      const auto prefix = [](std::string_view p) {
        return p.empty() || p == "L" || p == "u" || p == "U" || p == "u8";
      };
      const bool quote = at < text.size() && (text[at] == '"' || text[at] == '\'');
      const bool raw = rawStrings && quote && text[at] == '"' && word.ends_with('R') &&
                       (word.size() == 1 || prefix(word.substr(0, word.size() - 1)));
      if (const std::size_t end = raw ? rawEnd(at) : 0; end != 0) {
        spelling = std::string(word) + std::string(input.substr(from[at], end - from[at]));
        at = std::lower_bound(from.begin(), from.end(), end) - from.begin();
      } else if (quote && (prefix(word) || raw)) {
        at = quoted(at);
      }
    } else if (std::isdigit(text[at] & 0xFF) ||
               (text[at] == '.' && std::isdigit(text[at + 1] & 0xFF))) {
      // A pp-number, with the signs of its exponents and its digit separators.
      for (std::size_t last = at++; at < text.size(); last = at, at += width(text, at)) {
        const bool sign = (text[at] == '+' || text[at] == '-') && at - last == 1 &&
                          std::string_view("eEpP").find(text[last]) != std::string_view::npos;
        const bool separator = text[at] == '\'' && identifier(at + 1);
        if (!sign && !separator && !identifier(at) && text[at] != '.') break;
      }
    } else {
      ++at;  // punctuators one character each: the spaces before them tell ++ from + +
    }
    if (spelling.empty()) spelling = text.substr(start, at - start);
    if (lineStart && (spelling == "#" || text.compare(start, 2, "%:") == 0)) directive = true;
    tokens.push_back((space ? " " : "") + spelling);
    space = lineStart = false;
  }
  if (directive) tokens.emplace_back("\n");
  return tokens;
}

}  // namespace cstrip::testing
