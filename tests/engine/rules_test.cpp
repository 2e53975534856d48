// The two conversions' rules, case by case, through the plain steppers that
// the fast code is checked against.

#include <gtest/gtest.h>

#include <string>

#include "runs.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

// The output for `input`, and the LFs a strip run counts or the lines a
// case run writes in the direction `lower`.
struct Case {
  std::string input;
  std::string expected;
  std::size_t count;
  bool lower = true;
};

const Case kStripCases[] = {
    {"", "", 0},
    {"a/*x*/b", "ab", 0},
    {"a//x\nb", "a\nb", 1},
    {"a // x\r\nb", "a \rb", 1},
    {"a\n\n\nb", "a\nb", 3},
    {"a\n// c\nb", "a\nb", 2},
    {"a\r\n\r\nb\r\n", "a\rb\r", 3},
    {"x = \"//\";", "x = \"//\";", 0},
    {"/*/ y */z", "z", 0},
    {"/**/", "", 0},
    {"/* a // b */ c\nd", "\nd", 1},
    {"// a /* b\nc */ d", " d", 1},
    {"// x\n\"//\"\n", "\n\"\n", 2},
    {"// x\r\n\"//\"\r\n", "\r\"//\"\r", 2},
    {"// x\r\"//\"\r", "\r\"\r", 0},
    {"c = '\"'; /* x */", "c = '\"'; /* x */", 0},
    {"a/*x*/}", "a}", 0},
    {"int a; /* one\r\n two */\r\nint b; // end\r\n", "int a; \rint b; \r", 3},
    {"a / b", "a / b", 0},
    {"\x81\x5e\x81\x96x\x81\x96\x81\x5e", "\x81\x5e\x81\x96x\x81\x96\x81\x5e", 0},  // ／＊x＊／
    {"\"a\\\"b\" // c", "\"a\\\"b\" // c", 0},  // no escapes: the string is still open
    {"a/* x", "a", 0},
    // Shift-JIS text whose trail byte is a backslash, in code and comments.
    {"s = \"\x95\x5c\"; /* \x83\x52\x83\x81\x83\x93\x83\x67 */\n", "s = \"\x95\x5c\"; \n", 1},
};

TEST(CommentStripper, FollowsTheRulesAndCountsEveryLf) {
  for (const auto& test : kStripCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    const Recorded expected{test.expected, std::string(test.count, '|')};
    EXPECT_EQ(stripByteByByte({test.input}), expected);
  }
}

// What the C comment stripping writes where the tokens leave it a choice:
// the spaces, blanks and line ends around a removed comment. `rules` 1
// keeps the lines, 2 reads Shift-JIS.
struct CCase {
  std::string input;
  std::string expected;
  int rules = 0;
};

const CCase kCStripCases[] = {
    {"int/**/x;", "int x;"},
    {"a /* c */ b", "a  b"},
    {"a/* c */ b", "a b"},
    {"x; /* c */  \r\ny;\r\n", "x;\r\ny;\r\n"},
    {"  // only\r\n\r\n/* a\r\n b */\ry", "\r\ny"},
    {"  /* c */  \n", "\n", 1},
    {"#define A \\\n// c\nint y;", "#define A \\\n\nint y;"},
    {"#define A 1/* a\n b */+2\n", "#define A 1 +2\n"},
    {"#define A 1/* a\n b */+2\n", "#define A 1 \\\n+2\n", 1},
    {"a/* a\r\n b */b", "a\r\nb", 1},
    {"x // a \\\n b\ny", "x\ny"},
    {"/\\\n* c */x", "x"},
    {"s = \"\x95\x5c\"; // \x95\x5c\nint i;", "s = \"\x95\x5c\";\nint i;", 2},
    {"a /* open\n\n", "a"},
};

TEST(CCommentStripper, RemovesEachCommentAsASpaceOnlyWhereOneIsNeeded) {
  for (const auto& test : kCStripCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    const CStripRules rules{test.rules & 2 ? TextEncoding::ShiftJis : TextEncoding::Utf8, false,
                            (test.rules & 1) != 0};
    EXPECT_EQ(stripCByteByByte({test.input}, rules).output, test.expected);
  }
}

TEST(CCommentStripper, CountsEveryLineEndAndNamesTheLineOfAnOpenComment) {
  EXPECT_EQ(stripCByteByByte({"a\r\nb\rc\n/* x\r\n"}, {}).events, "||||!4");
  EXPECT_EQ(stripCByteByByte({"/* x */ // y\n"}, {}).events, "|");
}

const Case kCaseCases[] = {
    {"", "", 0},
    {"A\nB\nC", "a\nb\nc\r\n", 1},
    {"\r\r\n", "\r\n\r\n", 2},
    {"\n\r", "\n\r\n", 1},
    {"a\r\n\r\nb", "A\r\n\r\nB\r\n", 3, false},
    {"@[`{AZaz09", "@[`{azaz09\r\n", 1},
    {"@[`{AZaz09", "@[`{AZAZ09\r\n", 1, false},
    {std::string("A\0\xff", 3), std::string("a\0\xff\r\n", 5), 1},
    // Katakana whose trail byte is a letter: A (0x41), a (0x61), z (0x7a).
    {"\x83\x41\x83\x61\x83\x7a", "\x83\x41\x83\x61\x83\x7a\r\n", 1},
    {"\x83\x41\x83\x61\x83\x7a", "\x83\x41\x83\x61\x83\x7a\r\n", 1, false},
    {"\x82\x60\x83\x9f", "\x82\x60\x83\x9f\r\n", 1},  // full-width A, Greek alpha
    // A lead byte ending the line or the file, or before a non-trail byte, is alone.
    {"\x81\r\nA", "\x81\r\na\r\n", 2},
    {"\x81", "\x81\r\n", 1},
    {"\x81\x7fQ", "\x81\x7fq\r\n", 1},
    // A lead byte that is a trail byte is taken as the trail; the next letter converts.
    {"\x81\x81Q", "\x81\x81q\r\n", 1},
    {"\xe0\xfcz\xfc\x41", "\xe0\xfcZ\xfc\x41\r\n", 1, false},
    {"\x80M\xa0M\xdfM\xfdM", "\x80m\xa0m\xdfm\xfdm\r\n", 1},  // not lead bytes
};

TEST(CaseStepper, ConvertsLetterByLetterAndEndsLinesWithCrLf) {
  for (const auto& test : kCaseCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    const std::string direction(1, test.lower ? '\1' : '\0');
    const Recorded expected{test.expected, repeated("<>", static_cast<int>(test.count)), direction};
    EXPECT_EQ(convertCase<CaseStepper>({test.input}, direction, 0, TextEncoding::ShiftJis),
              expected);
  }
}

}  // namespace
}  // namespace cstrip::testing
