// --include patterns: the shell's patterns, matched by the program itself
// so that they work the same on Windows.

#include "name_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <fnmatch.h>
#endif

namespace cstrip::cli {
namespace {

#ifndef _WIN32
// Every text of up to `length` characters from `alphabet`.
std::vector<std::string> textsOf(const std::string& alphabet, std::size_t length) {
  std::vector<std::string> texts{""};
  for (std::size_t start = 0; texts.size() < 1000000;) {
    const std::size_t end = texts.size();
    if (texts[start].size() == length) break;
    for (std::size_t i = start; i < end; ++i) {
      for (const char ch : alphabet) texts.push_back(texts[i] + ch);
    }
    start = end;
  }
  return texts;
}

TEST(NamePattern, MatchesAsFnmatchDoes) {
  const auto patterns = textsOf("a*?[]!-\\", 5);
  const auto names = textsOf("ab-]", 3);
  for (const std::string& pattern : patterns) {
    for (const std::string& name : names) {
      ASSERT_EQ(matchesPattern(pattern, name, false),
                ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
          << "pattern " << pattern << ", name " << name;
    }
  }
}
#endif

TEST(NamePattern, TakesUtf8CharactersWholeAndFoldsAsciiCaseWhenAsked) {
  const struct {
    const char* pattern;
    const char* name;
    bool ignoreCase;
    bool matches;
  } kCases[] = {
      {"?.c", "語.c", false, true},       {"[語]*", "語る.h", false, true},
      {"[!語]*", "語る.h", false, false}, {"[あ-ん].c", "か.c", false, true},
      {"*.c", "MAIN.C", false, false},    {"*.c", "MAIN.C", true, true},
      {"[a-c]x", "BX", true, true},       {"日本*.[ch]", "日本語.h", false, true},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(std::string(test.pattern) + " " + test.name);
    EXPECT_EQ(matchesPattern(test.pattern, test.name, test.ignoreCase), test.matches);
  }
}

}  // namespace
}  // namespace cstrip::cli
