// --include and --exclude patterns: the shell's patterns, matched by the
// program itself so that they work the same on Windows.

#include "name_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// What fnmatch, which knows no `**`, says of a path matched by matchesPath:
// a pattern without `/` is matched against the last name, and one with it
// against the whole path, each name `**` taken as none to three names `*`
// (enough for paths of three names at most).
bool fnmatchPath(const std::string& pattern, const std::string& path) {
  if (pattern.find('/') == std::string::npos) {
    return ::fnmatch(pattern.c_str(), path.substr(path.rfind('/') + 1).c_str(), 0) == 0;
  }
  std::vector<std::string> ways{""};  // each name with a `/` before it
  for (std::size_t start = 0; start <= pattern.size();) {
    const std::size_t end = std::min(pattern.find('/', start), pattern.size());
    const std::string name = pattern.substr(start, end - start);
    std::vector<std::string> longer;
    for (const std::string& way : ways) {
      if (name != "**") longer.push_back(way + "/" + name);
      for (std::string stars = way; name == "**" && stars.size() <= way.size() + 6; stars += "/*") {
        longer.push_back(stars);
      }
    }
    ways = longer;
    start = end + 1;
  }
  for (const std::string& way : ways) {
    if (::fnmatch(way.c_str() + (way.empty() ? 0 : 1), path.c_str(), FNM_PATHNAME) == 0)
      return true;
  }
  return false;
}

TEST(NamePattern, MatchesPathsAsFnmatchDoes) {
  std::vector<std::string> paths;  // no empty names
  for (const std::string& path : textsOf("ab/", 5)) {
    if (!path.empty() && path.front() != '/' && path.back() != '/' &&
        path.find("//") == std::string::npos) {
      paths.push_back(path);
    }
  }
  for (const std::string& pattern : textsOf("a*?[]/", 5)) {
    // matchesPath skips empty names, which fnmatch would have to match;
    // and glibc reads `[` to a `]` past a `/` as a set, where POSIX (and
    // matchesPath) ends the name at the `/` first.
    const std::size_t slash = pattern.find('/', pattern.find('['));
    if (pattern.starts_with('/') || pattern.ends_with('/') ||
        pattern.find("//") != std::string::npos ||
        (pattern.find('[') != std::string::npos && pattern.find(']', slash) != std::string::npos)) {
      continue;
    }
    for (const std::string& path : paths) {
      ASSERT_EQ(matchesPath(pattern, path, false), fnmatchPath(pattern, path))
          << "pattern " << pattern << ", path " << path;
    }
  }
}
#endif

TEST(NamePattern, SplitsListsAtCommasSemicolonsAndBlanks) {
  const struct {
    const char* list;
    std::vector<std::string> patterns;
  } kCases[] = {
      {"*.c;*.h", {"*.c", "*.h"}},
      {"*.c, *.h", {"*.c", "*.h"}},
      {"*.c *.h", {"*.c", "*.h"}},
      {" ;,*.c\t\n,; sub/*.h,", {"*.c", "sub/*.h"}},
      {" , ", {}},
      // `\` keeps a separator and goes; any other escape stays for the matcher.
      {R"(my\ file.c\,v\;1 [\!a]\*)", {"my file.c,v;1", R"([\!a]\*)"}},
      {R"(a\\,b\)", {R"(a\\)", R"(b\)"}},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.list);
    EXPECT_EQ(splitPatterns(test.list), test.patterns);
  }
}

TEST(NamePattern, MatchesPathsNameByName) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
    bool ignoreCase = false;
  } kCases[] = {
      // Without `/`: the last name, at any depth.
      {"*.c", "sub/deeper/a.c", true},
      {"sub", "x/sub", true},
      {"*.c", "a.c/x", false},
      // With `/`: the whole path, and nothing in a name takes a `/`.
      {"sub/*.c", "sub/a.c", true},
      {"sub/*.c", "sub/x/a.c", false},
      {"sub/*.c", "a.c", false},
      {"sub/*.c", "x/sub/a.c", false},
      {"s*/a.c", "sub/x/a.c", false},
      {"/*.c", "x/a.c", false},
      {"./sub/a.c", "sub/a.c", true},
      {"/sub\\/a.c", "sub/a.c", true},
      {"SUB/*.C", "sub/a.c", false},
      {"SUB/*.C", "sub/a.c", true, true},
      // `**` as a name: any run of names, none included.
      {"**/*.c", "a.c", true},
      {"**/*.c", "x/y/a.c", true},
      {"sub/**/*.h", "sub/a.h", true},
      {"sub/**/*.h", "x/sub/a.h", false},
      {"sub/**", "sub/x/a.c", true},
      {"sub/**", "subx/a.c", false},
      {"**/x/*.c", "a/x/b/x/c.c", true},
      {"a**/b.c", "ax/y/b.c", false},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(std::string(test.pattern) + " " + test.path);
    EXPECT_EQ(matchesPath(test.pattern, test.path, test.ignoreCase), test.matches);
  }
}

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
