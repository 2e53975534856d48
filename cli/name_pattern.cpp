#include "name_pattern.h"

#include <cstdint>
#include <utility>

namespace cstrip::cli {

namespace {

// The UTF-8 character at `text`'s start, taken off it; a byte that starts
// no valid sequence stands for itself.
std::uint32_t takeCharacter(std::string_view& text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (length == 1 || length > text.size()) {
    text.remove_prefix(1);
    return lead;
  }
  std::uint32_t character = lead & (0x3F >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    character = (character << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  text.remove_prefix(length);
  return character;
}

std::uint32_t folded(std::uint32_t character, bool ignoreCase) {
  return ignoreCase && character >= 'A' && character <= 'Z' ? character + ('a' - 'A') : character;
}

// Matches the set after a `[` against `character`, taking the set off
// `pattern`. A set with no closing `]` is not a set: nothing, and `pattern`
// is left as it was.
bool inSet(std::string_view& pattern, std::uint32_t character, bool ignoreCase, bool& isSet) {
  std::string_view rest = pattern;
  const bool negated = !rest.empty() && (rest[0] == '!' || rest[0] == '^');
  if (negated) rest.remove_prefix(1);
  bool found = false;
  // A character of the set, `\` taking the next one as it is.
  const auto takeMember = [&] {
    if (rest.size() > 1 && rest[0] == '\\') rest.remove_prefix(1);
    return folded(takeCharacter(rest), ignoreCase);
  };
  for (bool first = true; !rest.empty() && (first || rest[0] != ']'); first = false) {
    const std::uint32_t low = takeMember();
    std::uint32_t high = low;
    if (rest.size() >= 2 && rest[0] == '-' && rest[1] != ']') {
      rest.remove_prefix(1);
      high = takeMember();
    }
    if (character >= low && character <= high) found = true;
  }
  isSet = !rest.empty();
  if (!isSet) return false;
  pattern = rest.substr(1);
  return found != negated;
}

}  // namespace

bool matchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase) {
  // Where the last `*` was, to go back to with one more character of the
  // name in it when the rest fails to match.
  std::string_view starPattern, starName;
  bool star = false;
  for (;;) {
    if (pattern.empty() && name.empty()) return true;
    if (!pattern.empty() && pattern[0] == '*') {
      pattern.remove_prefix(1);
      starPattern = pattern;
      starName = name;
      star = true;
      continue;
    }
    if (!name.empty() && !pattern.empty()) {
      std::string_view nextPattern = pattern;
      std::string_view nextName = name;
      const std::uint32_t character = folded(takeCharacter(nextName), ignoreCase);
      const char kind = nextPattern[0];
      bool matched = false;
      if (kind == '?') {
        nextPattern.remove_prefix(1);
        matched = true;
      } else if (kind == '[') {
        nextPattern.remove_prefix(1);
        bool isSet = false;
        matched = inSet(nextPattern, character, ignoreCase, isSet);
        if (!isSet) {
          nextPattern = pattern.substr(1);
          matched = character == '[';
        }
      } else {
        if (kind == '\\' && nextPattern.size() > 1) nextPattern.remove_prefix(1);
        matched = folded(takeCharacter(nextPattern), ignoreCase) == character;
      }
      if (matched) {
        pattern = nextPattern;
        name = nextName;
        continue;
      }
    }
    if (!star || starName.empty()) return false;
    takeCharacter(starName);
    pattern = starPattern;
    name = starName;
  }
}

std::vector<std::string> splitPatterns(std::string_view list) {
  std::vector<std::string> patterns;
  std::string pattern;
  for (const char c : list) {
    if (c == ',' || c == ';' || c == ' ') {
      if (!pattern.empty()) patterns.push_back(std::exchange(pattern, {}));
    } else {
      pattern += c;
    }
  }
  if (!pattern.empty()) patterns.push_back(pattern);
  return patterns;
}

}  // namespace cstrip::cli
