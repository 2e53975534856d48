// The fast code against the plain one-byte-at-a-time code, on seeded random
// inputs dense in the bytes that matter, split into chunks anywhere.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "byte_kernels.h"
#include "runs.h"
#include "system_file.h"
#include "temp_dir.h"
#include "utf8_validator.h"

namespace cstrip::testing {
namespace {

// Bytes that steer the conversions, with a few ordinary ones: the
// significant bytes, letters and their neighbours, what C's tokens turn on,
// and both edges of every Shift-JIS lead and trail range.
const std::string kAlphabet(
    "\"*/\r\naAzZ@[`{ _\\\x3f\x40\x7e\x7f\x80\x81\x83\x9f\xa0\xdf\xe0\xfc\xfd\xff\0"
    "'\t#%:()R81e+.",
    45);

// At least `size` random bytes, dense in those that matter, with now and
// then a run of one letter up to `longestRun` long, so that runs cross the
// 64-byte blocks and the 4 KiB windows.
std::string randomInput(std::mt19937_64& random, std::size_t size, std::size_t longestRun = 1) {
  std::string text;
  while (text.size() < size) {
    if (random() % 16 == 0)
      text.append(1 + random() % longestRun, static_cast<char>('A' + random() % 58));
    text +=
        random() % 8 == 0 ? static_cast<char>(random()) : kAlphabet[random() % kAlphabet.size()];
  }
  return text;
}

// `text` cut at random points, often close together, or a block or two apart.
std::vector<std::string> randomChunks(std::mt19937_64& random, const std::string& text) {
  std::vector<std::string> chunks;
  const std::size_t widest = std::array{8, 150, 9000}[random() % 3];
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = random() % (widest + 1);
    chunks.push_back(text.substr(at, length));
    at += length;
  }
  return chunks;
}

// Calls check(input, random) with random inputs; with markers right
// before, across and after the end of a 64-byte block and of a 4 KiB window;
// and with a comment body, a string and a run of line breaks starting at
// every offset of two blocks, cut off there or going on.
template <class Check>
void checkInputs(std::uint64_t seed, Check check) {
  std::mt19937_64 random(seed);
  for (int round = 0; round < 3000 && !::testing::Test::HasFailure(); ++round) {
    // Sometimes long, and sometimes sparse, so that whole blocks go without
    // the bytes that matter, or with a few of them anywhere.
    const bool longOne = round % 40 == 0;
    const std::size_t longestRun = longOne ? 5000 : round % 3 == 0 ? 40 : 1;
    check(randomInput(random, longOne ? 20000 : random() % 700, longestRun), random);
  }
  for (const std::string marker : {"/*", "*/", "//", "\r\n", "\r", "\"/", "\x83\x41", "\x81\x81"}) {
    for (const std::size_t at : {62u, 63u, 64u, 4094u, 4095u, 4096u}) {
      check("/* c " + std::string(at - 5, 'a') + marker + "b\n*/ d" + std::string(5000, 'E'),
            random);
    }
  }
  const std::string kBodies[] = {"/* \n*\n/*/ ", "\n/*" + std::string(64, ' ') + "//*/\n",
                                 "\"/*//\n", "\r\n\n\r\r\n", "\n/*x*/\n\r", "#\\\r\n/*\r\n*/b",
                                 // Shift-JIS: a trail byte 0x5C after an escape and in code.
                                 "\"\\\x95\\\" /**/", "x\x95\\\n/**/b",
                                 // A line end after a lone CR, across a line that goes.
                                 "x\r//\n\n", "\\\f/*~*/y\n",
                                 // A quote after a line comment opens nothing; a
                                 // block comment opens in a line comment, and
                                 // a line comment in a block comment outlives it.
                                 "//\n\"/**/\"", "//*/\n*/", "/*//*/\"\n"};
  for (const std::string& body : kBodies) {
    for (std::size_t at = 0; at < 128; ++at) {
      const std::string text = std::string(at, 'a') + body + std::string(130, 'x');
      check(text.substr(0, at + 1 + random() % 140), random);
      check(text + "*/\"\n" + text, random);
    }
  }
}

// Each fast run is checked with every version of the byte kernels.

TEST(FastCommentStripper, MatchesTheStepper) {
  checkInputs(20261206, [](const std::string& input, std::mt19937_64& random) {
    const auto expected = stripByteByByte({input});
    for (const ByteKernels& kernels : availableByteKernels()) {
      // Sometimes no LF, or few, may be counted without calling out.
      const std::uint64_t quiet = std::array{0, 1, 7, -1}[random() % 4];
      EXPECT_EQ(stripFast(randomChunks(random, input), kernels, quiet), expected)
          << kernels.name << " on " << ::testing::PrintToString(input);
      EXPECT_EQ(stripFast({input}, kernels, quiet), expected)
          << kernels.name << " on " << ::testing::PrintToString(input);
    }
  });
}

// The C stripping of `input` with every version of the byte kernels, in
// random chunks and whole, against the stepper; in either encoding, raw
// strings and kept lines each read one time in `oneIn`.
void expectCStrippedAsByTheStepper(const std::string& input, std::mt19937_64& random,
                                   unsigned oneIn) {
  const CStripRules rules{random() % 2 ? TextEncoding::ShiftJis : TextEncoding::Utf8,
                          random() % oneIn == 0, random() % oneIn == 0};
  const auto expected = stripCByteByByte({input}, rules);
  for (const ByteKernels& kernels : availableByteKernels()) {
    const std::uint64_t quiet = std::array{0, 1, 7, -1}[random() % 4];
    EXPECT_EQ(stripCFast(randomChunks(random, input), rules, kernels, quiet), expected)
        << kernels.name << " on " << ::testing::PrintToString(input);
    EXPECT_EQ(stripCFast({input}, rules, kernels, quiet), expected)
        << kernels.name << " on " << ::testing::PrintToString(input);
  }
}

TEST(FastCCommentStripper, MatchesTheStepper) {
  checkInputs(20261208, [](const std::string& input, std::mt19937_64& random) {
    expectCStrippedAsByTheStepper(input, random, 2);
  });
}

// Text much like C, at least `size` bytes: code, strings and constants with
// escapes, comments of both kinds, blanks and line ends, and characters
// that own the backslash after them in Shift-JIS; now and then its last
// bytes repeated, so that lines, strings and comments run across blocks
// and windows, or a line has many strings in a row.
std::string cLikeInput(std::mt19937_64& random, std::size_t size) {
  const std::string pieces[] = {
      "x", "  ",   "\t",  "\r\n", "\n",  "\r", "\\", "//", "/*", "*/", "\"", "'",      "1",    "e+",
      ".", "R\"(", ")\"", "\\\\", "\\n", "#",  "%:", "\f", "*",  "/",  "(",  "\x95\\", "あ\\", "é"};
  std::string text;
  while (text.size() < size) {
    text += pieces[random() % std::size(pieces)];
    if (random() % 32 == 0) {
      const std::string tail =
          text.substr(text.size() - std::min<std::size_t>(text.size(), 1 + random() % 24));
      text += repeated(tail, 1 + static_cast<int>(random() % 300));
    }
  }
  return text;
}

TEST(FastCCommentStripper, MatchesTheStepperOnTextLikeC) {
  std::mt19937_64 random(20261212);
  const auto check = [&](const std::string& input) {
    expectCStrippedAsByTheStepper(input, random, 4);
  };
  for (int round = 0; round < 1500 && !::testing::Test::HasFailure(); ++round) {
    check(cLikeInput(random, round % 20 == 0 ? 20000 : random() % 800));
  }
  // A line of strings past a block or a window, a mark across its end.
  for (const std::string mark : {"/* c */", "// c\r\n", "\"", "\r\n", "'x'", "\\\n"}) {
    for (const std::size_t at : {63u, 64u, 4095u, 4096u}) {
      std::string input = "y = \"a\"";
      while (input.size() + 4 < at) input += "+\"b\"";
      input.resize(at - 1, '+');
      check(input + mark + " \"q\" + \"r\";\n");
    }
  }
}

TEST(FastCCommentStripper, StopsAtTheLineEndWhoseCountSaysStop) {
  // A window that shows every line's count, and asks to stop at one: the
  // stripping counts no line after it, and says it stopped.
  struct StopAt {
    std::uint64_t left;
    std::uint64_t counted = 0;
    bool count() { return ++counted < left; }
    std::uint64_t quietCounts() const { return 0; }
    void countQuietly(std::uint64_t) {}
  };
  // Lines as code has them, each taken whole by one of the strides, or
  // text much like C.
  const std::string kLines[] = {"a = b;\n",         "int a;  // c\r\n",
                                "  /* c */\n",      "x(\"s\"); /* c */\n",
                                "#define X 1 \\\n", "/* c\n c */ y;\n"};
  std::mt19937_64 random(20261213);
  for (int round = 0; round < 300 && !::testing::Test::HasFailure(); ++round) {
    std::string input;
    if (round % 2 == 0) {
      while (input.size() < 2000) input += kLines[random() % std::size(kLines)];
    } else {
      input = cLikeInput(random, 1 + random() % 3000);
    }
    const CStripRules rules{random() % 2 ? TextEncoding::ShiftJis : TextEncoding::Utf8,
                            random() % 4 == 0, random() % 4 == 0};
    const auto lines = static_cast<std::uint64_t>(
        std::ranges::count(stripCByteByByte({input}, rules).events, '|'));
    if (lines == 0) continue;
    const std::uint64_t stopAt = 1 + random() % lines;
    for (const ByteKernels& kernels : availableByteKernels()) {
      Recorded run;
      StopAt window{stopAt};
      FastCCommentStripper stripper(rules, kernels);
      bool going = true;
      for (const auto& chunk : randomChunks(random, input)) {
        if (!(going = stripper.feed(chunk, run, window))) break;
      }
      EXPECT_FALSE(going) << kernels.name << " on " << ::testing::PrintToString(input);
      EXPECT_EQ(window.counted, stopAt)
          << kernels.name << " on " << ::testing::PrintToString(input);
    }
  }
}

TEST(CaseConverter, MatchesTheStepper) {
  checkInputs(20261207, [](const std::string& input, std::mt19937_64& random) {
    const std::string directions = randomInput(random, 1 + random() % 8);
    const std::uint64_t quiet = std::array{0, 1, 7, -1}[random() % 4];
    const auto encoding = random() % 2 ? TextEncoding::ShiftJis : TextEncoding::Utf8;
    const auto chunks = randomChunks(random, input);
    const auto expected = convertCase<CaseStepper>(chunks, directions, quiet, encoding);
    for (const ByteKernels& kernels : availableByteKernels()) {
      EXPECT_EQ(convertCase<CaseConverter>(chunks, directions, quiet, encoding, kernels), expected)
          << kernels.name << " on " << ::testing::PrintToString(input);
    }
  });
}

TEST(CaseConverter, MatchesTheStepperWhereAChunkEndsAfterLinesPassedUnseen) {
  // The line after the chunk's last CR LF starts in the next chunk, after
  // the window was idle, and reads its direction again.
  for (std::size_t pad = 120; pad < 128; ++pad) {
    const std::string input = "x\r\n" + std::string(pad, 'a') + "\r\nbB\r\n";
    for (std::size_t cut = pad + 3; cut < pad + 8; ++cut) {
      SCOPED_TRACE(::testing::Message() << pad << " cut at " << cut);
      const std::vector<std::string> chunks = {input.substr(0, cut), input.substr(cut)};
      const auto expected =
          convertCase<CaseStepper>(chunks, "\1\2", UINT64_MAX, TextEncoding::ShiftJis);
      for (const ByteKernels& kernels : availableByteKernels()) {
        EXPECT_EQ(
            convertCase<CaseConverter>(chunks, "\1\2", UINT64_MAX, TextEncoding::ShiftJis, kernels),
            expected)
            << kernels.name;
      }
    }
  }
}

// UTF-8 text of at least `size` bytes: letters, line ends, and characters
// of two, three and four bytes, which read as Shift-JIS hold lead bytes.
std::string utf8Text(std::mt19937_64& random, std::size_t size) {
  const std::string pieces[] = {"a", "B", "\r\n", "\r", "\n", " ", "é", "あ", "、", "😀"};
  std::string text;
  while (text.size() < size) text += pieces[random() % std::size(pieces)];
  return text;
}

// The single pass against the stepper reading the text in the encoding of
// the whole text. Its rewrite replays the directions of the lines before,
// which Recorded changes at the line ends it sees.
void checkedInOnePass(const std::string& input, const std::vector<std::string>& chunks,
                      const std::string& directions, std::uint64_t quiet, std::mt19937_64& random) {
  const auto encoding = isValidUtf8(input) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
  const auto expected = convertCase<CaseStepper>(chunks, directions, quiet, encoding);
  for (const ByteKernels& kernels : availableByteKernels()) {
    // Sometimes few changes of direction are recorded before checking ahead.
    const std::size_t mostChanges = std::array{1, 3, 1 << 16}[random() % 3];
    EXPECT_EQ(convertCaseInOnePass(chunks, directions, quiet, kernels, mostChanges), expected)
        << kernels.name << " with " << quiet << " quiet, " << mostChanges << " changes";
  }
}

TEST(SinglePassCase, MatchesTheStepperInTheWholeTextsEncoding) {
  std::mt19937_64 random(20261209);
  for (int round = 0; round < 2000 && !::testing::Test::HasFailure(); ++round) {
    std::string input = utf8Text(random, round % 40 == 0 ? 20000 : random() % 700);
    // A stray byte anywhere, or a character cut off at the end, or neither.
    if (round % 3 == 0 && !input.empty()) input[random() % input.size()] = '\xFF';
    if (round % 3 == 1) input += "\xE3\x81";
    SCOPED_TRACE(::testing::PrintToString(input));
    const std::string directions = randomInput(random, 1 + random() % 8);
    const std::uint64_t quiet = std::array{0, 1, 7, -1}[random() % 4];
    checkedInOnePass(input, randomChunks(random, input), directions, quiet, random);
  }
}

TEST(SinglePassCase, RewritesALargeTextFromBuffersBack) {
  // Buffers as a run reads them, the first ending inside a line where, read
  // as Shift-JIS, its last byte owns the letter starting the second.
  const std::string line = "あAb、c\r\n";
  std::string text = repeated(line, static_cast<int>((kIoBufferSize - 5) / line.size()));
  text += std::string(kIoBufferSize - 5 - text.size(), 'x') + "\r\nあA" +
          repeated(line, static_cast<int>(2 * kIoBufferSize / line.size()));
  const struct {
    const char* name;
    std::size_t at;  // where a byte becomes \xFF, or the text gets a cut-off character
  } kCases[] = {
      {"FirstInABuffer", kIoBufferSize}, {"SecondInABuffer", kIoBufferSize + 1},
      {"LastByte", text.size() - 1},     {"CutOffAtTheEnd", text.size()},
      {"Utf8", std::string::npos},
  };
  std::mt19937_64 random(20261210);
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    std::string input = text;
    if (test.at < input.size()) input[test.at] = '\xFF';
    if (test.at == input.size()) input += "\xE3\x81";
    std::vector<std::string> buffers;
    for (std::size_t at = 0; at < input.size(); at += kIoBufferSize)
      buffers.push_back(input.substr(at, kIoBufferSize));
    // The direction changes every 1001 lines, the line across the buffers
    // taking each in turn.
    for (const std::string directions : {"\1\2", "\2\1"})
      checkedInOnePass(input, buffers, directions, 1000, random);
  }
}

// The C stripping in one pass against the stepper reading the text in the
// encoding of the whole text.
void checkedCInOnePass(const std::string& input, const std::vector<std::string>& chunks,
                       CStripRules rules, std::mt19937_64& random) {
  rules.encoding = isValidUtf8(input) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
  const auto expected = stripCByteByByte(chunks, rules);
  for (const ByteKernels& kernels : availableByteKernels()) {
    const std::uint64_t quiet = std::array{0, 1, 7, -1}[random() % 4];
    EXPECT_EQ(stripCInOnePass(chunks, rules, kernels, quiet), expected) << kernels.name;
  }
}

TEST(SinglePassCStrip, MatchesTheStepperInTheWholeTextsEncoding) {
  std::mt19937_64 random(20261211);
  for (int round = 0; round < 2000 && !::testing::Test::HasFailure(); ++round) {
    // ASCII, then UTF-8 whose characters, read as Shift-JIS, own the
    // backslash after them, among C's marks.
    const std::string pieces[] = {"x",  " ", "\r\n", "\n",   "\\",   "//", "/*", "*/",
                                  "\"", "'", "1",    "R\"(", "あ\\", "、", "é"};
    std::string input;
    for (std::size_t ascii = random() % 600, size = round % 40 == 0 ? 20000 : random() % 700;
         input.size() < size;) {
      input += pieces[random() % (input.size() < ascii ? 12 : std::size(pieces))];
    }
    // A stray byte anywhere, or a character cut off at the end, or neither.
    if (round % 3 == 0 && !input.empty()) input[random() % input.size()] = "\x95\xFF"[round % 2];
    if (round % 3 == 1) input += "\xE3\x81";
    SCOPED_TRACE(::testing::PrintToString(input));
    const CStripRules rules{TextEncoding::Utf8, random() % 2 == 0, random() % 2 == 0};
    checkedCInOnePass(input, randomChunks(random, input), rules, random);
  }
}

TEST(SinglePassCStrip, StripsALargeTextAgainFromBuffersBack) {
  // Buffers as a run reads them. Read as Shift-JIS, a character's last byte
  // owns the backslash after it, so that the comment does not go on and
  // the string ends early: the readings differ on every line.
  const std::string line = "// \xE3\x81\x82\\\r\nx;\"\xE3\x81\x82\\\" /**/ \"\r\n";
  const std::string ascii = repeated("a;\r\n", static_cast<int>(kIoBufferSize / 4));
  const std::string japanese = repeated(line, static_cast<int>(kIoBufferSize / line.size()));
  const struct {
    const char* name;
    std::string text;
    std::size_t at;  // where a byte becomes \xFF, or the text gets a cut-off character
  } kCases[] = {
      {"AsciiThenFirstInABuffer", ascii + japanese, kIoBufferSize},
      {"AsciiThenSecondInABuffer", ascii + japanese, kIoBufferSize + 1},
      {"FirstInABuffer", japanese + japanese, kIoBufferSize},
      {"LastByte", japanese + japanese, 2 * japanese.size() - 1},
      {"CutOffAtTheEnd", ascii + japanese, ascii.size() + japanese.size()},
      {"Utf8", japanese + ascii, std::string::npos},
  };
  std::mt19937_64 random(20261212);
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    std::string input = test.text;
    if (test.at < input.size()) input[test.at] = '\xFF';
    if (test.at == input.size()) input += "\xE3\x81";
    std::vector<std::string> buffers;
    for (std::size_t at = 0; at < input.size(); at += kIoBufferSize)
      buffers.push_back(input.substr(at, kIoBufferSize));
    checkedCInOnePass(input, buffers, CStripRules{}, random);
  }
}

TEST(Utf8Validator, MatchesAPlainDecoderOnEveryByteAndTheNext) {
  // A byte from 0x80 and any byte after it, then bytes that may go on with
  // the character, across 16 and 32 bytes, the end of a block and the text.
  const std::string goOn[] = {"\x80\x80", "\xBF\x7F", ""};
  for (int lead = 0x80; lead < 0x100; ++lead) {
    for (int next = 0; next < 0x100; ++next) {
      for (const std::string& rest : goOn) {
        for (const std::size_t at : {29u, 30u, 31u, 61u, 62u, 63u}) {
          for (const std::size_t after : {0u, 70u}) {
            const std::string input = std::string(at, 'a') + static_cast<char>(lead) +
                                      static_cast<char>(next) + rest + std::string(after, 'b');
            const bool expected = isValidUtf8(input);
            for (const ByteKernels& kernels : availableByteKernels()) {
              Utf8Validator validator(kernels);
              validator.feed(input);
              if (validator.finish() != expected) {
                ADD_FAILURE() << kernels.name << " on " << ::testing::PrintToString(input);
                return;
              }
            }
          }
        }
      }
    }
  }
}

TEST(Utf8Validator, MatchesAPlainDecoder) {
  std::mt19937_64 random(20261208);
  const std::string pieces[] = {"a", "\r\n", std::string(70, ' '), "é", "あ", "、", "😀"};
  for (int round = 0; round < 3000; ++round) {
    std::string input;
    const std::size_t size = round % 40 == 0 ? 20000 : random() % 300;
    while (input.size() < size) input += pieces[random() % std::size(pieces)];
    // Often one byte anywhere goes wrong: a stray, overlong or cut-off form.
    if (!input.empty() && random() % 2)
      input[random() % input.size()] = static_cast<char>(random());
    const bool expected = isValidUtf8(input);
    for (const ByteKernels& kernels : availableByteKernels()) {
      Utf8Validator validator(kernels);
      for (const auto& chunk : randomChunks(random, input)) validator.feed(chunk);
      EXPECT_EQ(validator.finish(), expected)
          << kernels.name << " on " << ::testing::PrintToString(input);
    }
  }
}

}  // namespace
}  // namespace cstrip::testing
