// The C comment stripping read back by a tokenizer of the tests' own: what
// it writes holds the tokens it read, each directive ending where it did.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "c_tokens.h"
#include "runs.h"

namespace cstrip::testing {
namespace {

// The tokens from `from` on as one line: `|` between tokens that touch, a
// space between tokens apart, and a line end after each directive.
std::string shown(const std::vector<std::string>& tokens, std::size_t from = 0) {
  std::string line;
  for (std::size_t k = from; k < tokens.size(); ++k) {
    const bool apart = tokens[k].starts_with(' ');
    if (k > from && tokens[k - 1] != "\n" && tokens[k] != "\n") line += apart ? " " : "|";
    line += tokens[k].substr(apart ? 1 : 0);
  }
  return line;
}

// CR LF, CR and LF each end one line.
std::size_t lineEnds(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    count += (text[k] == '\r' || text[k] == '\n') && text.substr(k, 2) != "\r\n";
  }
  return count;
}

constexpr CStripRules kCpp{TextEncoding::Utf8, true};
constexpr CStripRules kShiftJis{TextEncoding::ShiftJis};

// An input with LF line ends and every comment's text marked GONE, and its
// tokens as shown().
struct Case {
  std::string input, tokens;
  CStripRules rules = {};
};

const Case kCases[] = {
    {"#define A \\\n\nint x;", "#|define A\nint x|;"},
    {"#define A \\\n// GONE\nint x;", "#|define A\nint x|;"},
    {"#define A \\\n/* GONE */\nint x;", "#|define A\nint x|;"},
    {"/* GONE */ # /* GONE */ define X 1 // GONE\nX", "# define X 1\nX"},
    {"int a; // GONE\n// GONE\n#define B\nint b;", "int a|; #|define B\nint b|;"},
    {"int/*GONE*/x;", "int x|;"},
    {"#define f/*GONE*/(x) x\nf(1)", "#|define f (|x|) x\nf|(|1|)"},
    {"strlen(sprintf/*GONE*/x);", "strlen|(|sprintf x|)|;"},
    {"a /* GONE */\\\n+ b", "a + b"},
    {"// see ADT/* GONE\nint a;\nint b; // */ GONE", "int a|; int b|;"},
    {"c = '\"'; s = \"\\\"\"; u = \"http://x\"; // GONE",
     "c = '\"'|; s = \"\\\"\"|; u = \"http://x\"|;"},
    {"c = '\\\\'; d = '\\''; // GONE", "c = '\\\\'|; d = '\\''|;"},
    {"// GONE \\\nGONE too\nint x;", "int x|;"},
    {"// GONE \\ \t\nGONE too\nint x;", "int x|;"},
    {"a /\\\n* GONE */ b", "a b"},
    {"a/\\\n* GONE *\\\n/b", "a b"},
    {"s = \"a\\\\\nn\"; // GONE", "s = \"a\\n\"|;"},
    {"n = 1'000'000 + 0x1'F + 0x1p-3+.5e+1; // GONE", "n = 1'000'000 + 0x1'F + 0x1p-3|+|.5e+1|;"},
    {"a = u8\"//x\"; b = L'/'; // GONE", "a = u8\"//x\"|; b = L'/'|;"},
    {"s = R\"x(/* no comment */ \")x\"; // GONE", "s = R\"x(/* no comment */ \")x\"|;", kCpp},
    {"s = u8R\"(a\\\n// b)\"/*GONE*/;", "s = u8R\"(a\\\n// b)\" ;", kCpp},
    {"c = 'x // stays /* stays */\nint y;", "c = 'x // stays /* stays */ int y|;"},
    {"/*/ GONE */ x", "x"},
    {"#define A 1 /* GONE\nGONE */ + 2\nint x;", "#|define A 1 + 2\nint x|;"},
    {"int x; /* GONE", "int x|;"},
    {"int a; // \x95\x5c\nint b;", "int a|; int b|;", kShiftJis},  // 表
    {"int a; // \x95\nint b;", "int a|; int b|;", kShiftJis},      // a lead byte alone
    {"s = \"\x83\x5c\"; c = '\x8f\x5c'; // GONE", "s = \"\x83\x5c\"|; c = '\x8f\x5c'|;", kShiftJis},
    {"#define M \"\x94\x5c\x97\xcd\" // \x94\x5c\nint x;",
     "#|define M \"\x94\x5c\x97\xcd\"\nint x|;", kShiftJis},                 // 能力, 能
    {"// \x93\xfa\x96\x7b\x8c\xea \\\nGONE\nint x;", "int x|;", kShiftJis},  // 日本語
    // Where the comment's place is all that keeps lines apart.
    {"#define A \\ // GONE\nint b;", "#|define A \\\nint b|;"},
    {"#define A 1 \\\r// GONE\nint b;", "#|define A 1\nint b|;"},
    {"a\r// GONE\nb", "a b"},
    {"a /* GONE\n*/ # b", "a # b"},
    {"a\\\r\n/**/b", "a b"},
    {"#define f\\\r\n/* GONE */(y) y", "#|define f (|y|) y\n"},
    {"a/* GONE\r*/\nb", "a b"},
    {"a /* GONE\n*/#b", "a #|b"},
    {"a/* GONE\n*/\f#b", "a #|b"},
    {"\v#define X /* GONE\n*/ 1\nX", "#|define X 1\nX"},
    {"a/\\\n /* GONE\n*/#", "a|/ #"},
};

TEST(FastCCommentStripper, KeepsTheTokenStream) {
  for (const auto& test : kCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    const auto tokens = [&](std::string_view text) {
      return cTokens(text, test.rules.encoding, test.rules.rawStrings);
    };
    EXPECT_EQ(shown(tokens(test.input)), test.tokens);
    for (const std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
      std::string input;
      for (const char ch : test.input) ch == '\n' ? input += lineEnd : input += ch;
      for (const bool keepLines : {false, true}) {
        SCOPED_TRACE(::testing::PrintToString(input) + (keepLines ? " keeping lines" : ""));
        const CStripRules rules{test.rules.encoding, test.rules.rawStrings, keepLines};
        const std::string output = stripCFast({input}, rules).output;
        EXPECT_EQ(tokens(output), tokens(input)) << output;
        EXPECT_EQ(output.find("GONE"), std::string::npos) << output;
        if (keepLines) {
          EXPECT_EQ(lineEnds(output), lineEnds(input)) << output;
        }
      }
    }
  }
}

TEST(FastCCommentStripper, KeepsTheTokensOfSystemHeaders) {
  namespace fs = std::filesystem;
  if (!fs::is_directory("/usr/include")) GTEST_SKIP() << "no /usr/include";
  std::vector<fs::path> headers;
  for (const auto& entry : fs::recursive_directory_iterator("/usr/include")) {
    if (entry.path().extension() == ".h" && entry.is_regular_file()) headers.push_back(entry);
  }
  std::ranges::sort(headers);
  std::size_t checked = 0;
  for (std::size_t k = 0; k < headers.size() && checked < 300; k += 20) {
    std::ifstream file(headers[k], std::ios::binary);
    const std::string input{std::istreambuf_iterator<char>(file), {}};
    if (std::ranges::any_of(input, [](char ch) { return ch & 0x80; })) continue;  // ASCII only
    ++checked;
    const auto read = cTokens(input, TextEncoding::Utf8);
    for (const bool keepLines : {false, true}) {
      SCOPED_TRACE(headers[k].string() + (keepLines ? " keeping lines" : ""));
      const std::string output = stripCFast({input}, {TextEncoding::Utf8, false, keepLines}).output;
      const auto written = cTokens(output, TextEncoding::Utf8);
      const auto from =
          std::max<std::ptrdiff_t>(std::ranges::mismatch(read, written).in1 - read.begin() - 8, 0);
      EXPECT_TRUE(read == written) << shown(read, from).substr(0, 300) << "\nwritten as\n"
                                   << shown(written, from).substr(0, 300);
      if (keepLines) {
        EXPECT_EQ(lineEnds(output), lineEnds(input));
      }
    }
  }
  EXPECT_GT(checked, 100U);
}

}  // namespace
}  // namespace cstrip::testing
