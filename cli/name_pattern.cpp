#include "name_pattern.h"

#include <cstddef>
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

bool isListSeparator(char c) {
  return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The names of `text` between its `/`s, empty ones and `.` left out. In a
// pattern (`escapes`), `\/` is a `/` too, and `\\` an escaped `\`.
std::vector<std::string_view> namesOf(std::string_view text, bool escapes) {
  std::vector<std::string_view> names;
  const auto add = [&](std::string_view name) {
    if (!name.empty() && name != ".") names.push_back(name);
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool escape = escapes && text[i] == '\\' && i + 1 < text.size();
    if (text[i] == '/' || (escape && text[i + 1] == '/')) {
      add(text.substr(start, i - start));
      if (escape) ++i;
      start = i + 1;
    } else if (escape) {
      ++i;
    }
  }
  add(text.substr(start));
  return names;
}

// Matches names against pattern names, `**` standing for any run of names.
// As for `*` in a name, only the last `**` is ever gone back to: each other
// pattern name takes exactly one name.
bool matchesNames(const std::vector<std::string_view>& pattern,
                  const std::vector<std::string_view>& names, bool ignoreCase) {
  std::size_t p = 0, n = 0, starP = 0, starN = 0;
  bool star = false;
  for (;;) {
    if (p == pattern.size() && n == names.size()) return true;
    if (p < pattern.size() && pattern[p] == "**") {
      starP = ++p;
      starN = n;
      star = true;
      continue;
    }
    if (p < pattern.size() && n < names.size() &&
        matchesPattern(pattern[p], names[n], ignoreCase)) {
      ++p;
      ++n;
      continue;
    }
    if (!star || starN == names.size()) return false;
    p = starP;
    n = ++starN;
  }
}

}  // namespace

std::vector<std::string> splitPatterns(std::string_view list) {
  std::vector<std::string> patterns;
  std::string pattern;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '\\' && i + 1 < list.size()) {
      if (!isListSeparator(list[i + 1])) pattern += '\\';
      pattern += list[++i];
    } else if (!isListSeparator(list[i])) {
      pattern += list[i];
    } else if (!pattern.empty()) {
      patterns.push_back(std::move(pattern));
      pattern.clear();
    }
  }
  if (!pattern.empty()) patterns.push_back(std::move(pattern));
  return patterns;
}

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

bool matchesPath(std::string_view pattern, std::string_view path, bool ignoreCase) {
  if (pattern.find('/') == std::string_view::npos) {
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return matchesPattern(pattern, path.substr(path.rfind('/') + 1), ignoreCase);
  }
  return matchesNames(namesOf(pattern, true), namesOf(path, false), ignoreCase);
}

}  // namespace cstrip::cli
