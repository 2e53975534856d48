#include "comment_stripper.h"

#include <gtest/gtest.h>

#include <string>

#include "delete_comment.h"
#include "fake_window.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

std::string stripWithStepper(const std::string& input) {
  CommentStripper stripper;
  std::string output;
  auto keep = [&](int written) {
    if (written != CommentStripper::kEmpty) output.push_back(static_cast<char>(written));
  };
  for (const char ch : input) keep(stripper.step(static_cast<unsigned char>(ch)));
  keep(stripper.finish());
  return output;
}

struct StripCase {
  std::string input;
  std::string expected;
  LineCount lfCount;
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
    {"\"/*\"*/", "\"/*\"*/", 0},
    {"\"abc // d", "\"abc // d", 0},
    // What follows a closing `*/`.
    {"/*a*//b", "/b", 0},
    {"/*a*///b\nc", "\nc", 1},
    {"a*//b", "a*", 0},
    {"/*a*/*/", "*/", 0},
    // Unterminated comments and a lone slash at the end.
    {"a/* x", "a", 0},
    {"a// x", "a", 0},
    {"a/", "a/", 0},
    {"/", "/", 0},
    // Line-break runs: CR alone, leading breaks, breaks split by a space.
    {"a\r\r\rb", "a\rb", 0},
    {"\n\na", "\na", 2},
    {"a\n \nb", "a\n \nb", 2},
    {"a\r\n// x\r\nb", "a\rb", 2},
    // A comment-only line after a written break vanishes with its break.
    {"a\n/* x */\nb", "a\nb", 2},
    // Binary bytes pass through.
    {std::string("a\0b\xff", 4), std::string("a\0b\xff", 4), 0},
    // Shift-JIS text whose trail byte is a backslash, in code and comments.
    {"s = \"\x95\x5c\"; /* \x83\x52\x83\x81\x83\x93\x83\x67 */\n", "s = \"\x95\x5c\"; \n", 1},
};

TEST(CommentStripper, StepFollowsTheRules) {
  for (const auto& test : kStripCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    EXPECT_EQ(stripWithStepper(test.input), test.expected);
  }
}

TEST(CommentStripper, BytesOtherThanTheFiveSignificantOnesAreCopied) {
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == '"' || byte == '*' || byte == '/' || byte == '\r' || byte == '\n') continue;
    SCOPED_TRACE(byte);
    const std::string text = {'x', static_cast<char>(byte), static_cast<char>(byte), 'y'};
    EXPECT_EQ(stripWithStepper(text), text);
    EXPECT_EQ(stripWithStepper("/*" + text + "*/"), "");
  }
}

TEST(DeleteComment, WritesTheFileAndCountsEveryLf) {
  TempDir dir;
  for (const auto& test : kStripCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    FakeWindow window;
    window.text1 = dir.file("in.c");
    window.text2 = dir.file("out.c");
    writeFile(window.text1, test.input);
    EXPECT_EQ(DeleteComment(window), RunOutcome::Completed);
    EXPECT_EQ(readFile(window.text2), test.expected);
    // One count and one yield per LF, the count rising from 1.
    ASSERT_EQ(window.counts.size(), test.lfCount);
    for (LineCount i = 0; i < test.lfCount; ++i) EXPECT_EQ(window.counts[i], i + 1);
    EXPECT_EQ(window.yields, static_cast<int>(test.lfCount));
  }
}

TEST(DeleteComment, ShowsEachCountBeforeItsYield) {
  TempDir dir;
  FakeWindow window;
  window.text1 = dir.file("in.c");
  window.text2 = dir.file("out.c");
  writeFile(window.text1, "a\n/*\n*/\r\n");
  DeleteComment(window);
  const std::vector<std::string> expected = {"count 1", "yield",   "count 2",
                                             "yield",   "count 3", "yield"};
  EXPECT_EQ(window.log, expected);
}

}  // namespace
}  // namespace cstrip::testing
