// The two conversions' rules, case by case, through the plain stepper and
// through the fast code. The strip cases go through a whole run with files.

#include <gtest/gtest.h>

#include <string>

#include "fake_window.h"
#include "runs.h"
#include "strip_run.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

struct StripCase {
  std::string input;
  std::string expected;
  int lfCount;
};

const StripCase kStripCases[] = {
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
    {"a // x\rb", "a \rb", 0},
    {"int a; /* one\r\n two */\r\nint b; // end\r\n", "int a; \rint b; \r", 3},
    {"a / b", "a / b", 0},
    {"a/ *b", "a/ *b", 0},
    // Full-width look-alikes are ordinary two-byte characters.
    {"\x81\x5e\x81\x96x\x81\x96\x81\x5e", "\x81\x5e\x81\x96x\x81\x96\x81\x5e", 0},
    // Strings: no escapes; markers inside are text; an open string never ends.
    {"\"a\\\"b\" // c", "\"a\\\"b\" // c", 0},
    // What follows a closing `*/`.
    {"/*a*//b", "/b", 0},
    {"/*a*/*/", "*/", 0},
    // Unterminated comments and a lone slash at the end.
    {"a/* x", "a", 0},
    {"a// x", "a", 0},
    {"a/", "a/", 0},
    // Line-break runs: CR alone, leading breaks, breaks split by a space.
    {"a\r\r\rb", "a\rb", 0},
    {"\n\na", "\na", 2},
    {"a\n \nb", "a\n \nb", 2},
    // A comment-only line after a written break vanishes with its break.
    {"a\n/* x */\nb", "a\nb", 2},
    // Binary bytes pass through.
    {std::string("a\0b\xff", 4), std::string("a\0b\xff", 4), 0},
    // Shift-JIS text whose trail byte is a backslash, in code and comments.
    {"s = \"\x95\x5c\"; /* \x83\x52\x83\x81\x83\x93\x83\x67 */\n", "s = \"\x95\x5c\"; \n", 1},
};

TEST(DeleteComment, FollowsTheRulesAndCountsEveryLf) {
  TempDir dir;
  for (const auto& test : kStripCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    EXPECT_EQ(stripByteByByte({test.input}).output, test.expected);
    FakeWindow window(dir.file("in.c"), dir.file("out.c"));
    writeFile(window.text1, test.input);
    DeleteComment(window);
    EXPECT_EQ(readFile(window.text2), test.expected);
    // Each count is shown before its yield, rising from 1.
    std::string log;
    for (int lf = 1; lf <= test.lfCount; ++lf)
      log += (lf > 1 ? " " : "") + std::to_string(lf) + " Y";
    EXPECT_EQ(window.log, log);
  }
}

struct CaseCase {
  std::string input;
  bool lower;
  std::string expected;
  int lines;
};

const CaseCase kCaseCases[] = {
    {"", true, "", 0},
    {"Hello\r\nWorld", true, "hello\r\nworld\r\n", 2},
    {"Hello\r\nWorld", false, "HELLO\r\nWORLD\r\n", 2},
    {"a\rb\r", false, "A\r\nB\r\n", 2},
    {"A\nB\nC", true, "a\nb\nc\r\n", 1},
    {"\n", true, "\n\r\n", 1},
    {"\r", true, "\r\n", 1},
    {"\r\r\n", true, "\r\n\r\n", 2},
    {"\n\r", true, "\n\r\n", 1},
    {"a\r\n\r\nb", false, "A\r\n\r\nB\r\n", 3},
    {"@[`{AZaz09", true, "@[`{azaz09\r\n", 1},
    {"@[`{AZaz09", false, "@[`{AZAZ09\r\n", 1},
    {std::string("A\0\xff", 3), true, std::string("a\0\xff\r\n", 5), 1},
    // Katakana whose trail byte is a letter: A (0x41), a (0x61), z (0x7a).
    {"\x83\x41\x83\x61\x83\x7a", true, "\x83\x41\x83\x61\x83\x7a\r\n", 1},
    {"\x83\x41\x83\x61\x83\x7a", false, "\x83\x41\x83\x61\x83\x7a\r\n", 1},
    // A full-width A and a Greek alpha stay as they are.
    {"\x82\x60\x83\x9f", true, "\x82\x60\x83\x9f\r\n", 1},
    // A lead byte ending the line or the file, or before a non-trail byte, is alone.
    {"\x81\r\nA", true, "\x81\r\na\r\n", 2},
    {"\x81", true, "\x81\r\n", 1},
    {"\x81 A", true, "\x81 a\r\n", 1},
    {"\x81\x7fQ", true, "\x81\x7fq\r\n", 1},
    // A lead byte that is a trail byte is taken as the trail; the next letter converts.
    {"\x81\x81Q", true, "\x81\x81q\r\n", 1},
    {"\xe0\xfcz\xfc\x41", false, "\xe0\xfcZ\xfc\x41\r\n", 1},
    // Bytes next to the lead ranges are single bytes.
    {"\x80M\xa0M\xdfM\xfdM", true, "\x80m\xa0m\xdfm\xfdm\r\n", 1},
};

TEST(CaseConverter, ConvertsLetterByLetterAndEndsLinesWithCrLf) {
  for (const auto& test : kCaseCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    std::string events;
    for (int line = 0; line < test.lines; ++line) events += "<>";
    const Recorded expected{test.expected, events};
    const std::string direction(1, test.lower ? '\1' : '\0');
    EXPECT_EQ(convertCase<CaseStepper>({test.input}, direction), expected);
    EXPECT_EQ(convertCase<CaseConverter>({test.input}, direction), expected);
  }
}

}  // namespace
}  // namespace cstrip::testing
