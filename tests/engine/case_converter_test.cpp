#include "case_converter.h"

#include "case_stepper.h"
#include "shift_jis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cstrip::testing {
namespace {

// Collects the converter's output; the direction of each line comes from a
// list, read once per line.
class RecordingSink {
 public:
  explicit RecordingSink(std::vector<bool> lowerPerLine) : lowerPerLine_(std::move(lowerPerLine)) {}

  bool lowerCaseForNewLine() {
    const bool lower = lowerPerLine_[directionsRead % lowerPerLine_.size()];
    ++directionsRead;
    return lower;
  }
  void write(std::span<const char> bytes) { output.append(bytes.begin(), bytes.end()); }
  bool lineEnded() {
    ++lines;
    return true;
  }

  std::string output;
  std::size_t directionsRead = 0;
  std::size_t lines = 0;

 private:
  std::vector<bool> lowerPerLine_;
};

// Runs `input` through a Converter in chunks of `pieces`' sizes (the rest in
// one last chunk).
template <template <class> class Converter = CaseConverter>
RecordingSink convert(const std::string& input, std::vector<bool> lowerPerLine,
                      const std::vector<std::size_t>& pieces = {}) {
  RecordingSink sink(std::move(lowerPerLine));
  Converter<RecordingSink> converter(sink);
  std::string buffer = input;
  std::size_t at = 0;
  for (const std::size_t piece : pieces) {
    converter.feed({buffer.data() + at, piece});
    at += piece;
  }
  converter.feed({buffer.data() + at, buffer.size() - at});
  converter.finish();
  return sink;
}

struct CaseCase {
  std::string input;
  bool lower;
  std::string expected;
  std::size_t lines;
};

const CaseCase kCaseCases[] = {
    {"", true, "", 0},
    {"Hello\r\nWorld", true, "hello\r\nworld\r\n", 2},
    {"Hello\r\nWorld", false, "HELLO\r\nWORLD\r\n", 2},
    {"a\rb\r", false, "A\r\nB\r\n", 2},
    {"A\nB\nC", true, "a\nb\nc\r\n", 1},
    {"\n", true, "\n\r\n", 1},
    {"\r", true, "\r\n", 1},
    {"\r\n", true, "\r\n", 1},
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
    {"\x81\rA", true, "\x81\r\na\r\n", 2},
    {"\x81", true, "\x81\r\n", 1},
    {"\x81 A", true, "\x81 a\r\n", 1},
    {"\x81\nA", true, "\x81\na\r\n", 1},
    {"\x81\x7fQ", true, "\x81\x7fq\r\n", 1},
    // A lead byte that is a trail byte is taken as the trail; the next letter converts.
    {"\x81\x81Q", true, "\x81\x81q\r\n", 1},
    {"\xe0\xfcz\xfc\x41", false, "\xe0\xfcZ\xfc\x41\r\n", 1},
    // Single-byte bytes that are not lead bytes.
    {"\x80M\xa0M\xdfM\xfdM", true, "\x80m\xa0m\xdfm\xfdm\r\n", 1},
};

TEST(CaseConverter, ConvertsLetterByLetterAndEndsLinesWithCrLf) {
  for (const auto& test : kCaseCases) {
    SCOPED_TRACE(::testing::PrintToString(test.input));
    for (const auto& sink :
         {convert<CaseStepper>(test.input, {test.lower}), convert(test.input, {test.lower})}) {
      EXPECT_EQ(sink.output, test.expected);
      EXPECT_EQ(sink.lines, test.lines);
      EXPECT_EQ(sink.directionsRead, test.lines);
    }
  }
}

TEST(CaseConverter, SameOutputWhereverTheChunksSplit) {
  for (const auto& test : kCaseCases) {
    for (std::size_t split = 0; split <= test.input.size(); ++split) {
      SCOPED_TRACE(::testing::PrintToString(test.input) + " split at " + std::to_string(split));
      EXPECT_EQ(convert(test.input, {test.lower}, {split}).output, test.expected);
    }
  }
}

// The expected output for a lone byte at the start of a line of its own.
std::string convertAlone(unsigned char byte, bool lower) {
  if (byte == '\r') return "\r\n";
  if (lower && byte >= 'A' && byte <= 'Z') byte += 'a' - 'A';
  if (!lower && byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
  return std::string(1, static_cast<char>(byte));
}

TEST(CaseConverter, EverySingleByteMatchesTheOracle) {
  for (const bool lower : {true, false}) {
    for (int byte = 0; byte < 256; ++byte) {
      SCOPED_TRACE(byte);
      const std::string input(1, static_cast<char>(byte));
      const std::string alone = convertAlone(static_cast<unsigned char>(byte), lower);
      EXPECT_EQ(convert(input, {lower}).output, byte == '\r' ? alone : alone + "\r\n");
    }
  }
}

TEST(CaseConverter, EveryLeadBytePairMatchesTheOracle) {
  for (const bool lower : {true, false}) {
    for (int lead = 0x81; lead <= 0xfc; ++lead) {
      if (!isLeadByte(lead)) continue;
      for (int next = 0; next < 256; ++next) {
        const bool trail = (next >= 0x40 && next <= 0x7e) || (next >= 0x80 && next <= 0xfc);
        const std::string input = {static_cast<char>(lead), static_cast<char>(next), 'm'};
        std::string expected(1, static_cast<char>(lead));
        expected += trail ? std::string(1, static_cast<char>(next))
                          : convertAlone(static_cast<unsigned char>(next), lower);
        expected += (lower ? "m" : "M") + std::string("\r\n");
        for (std::size_t split = 0; split <= input.size(); ++split) {
          ASSERT_EQ(convert(input, {lower}, {split}).output, expected)
              << "lead " << lead << " next " << next << " split " << split;
        }
      }
    }
  }
}

}  // namespace
}  // namespace cstrip::testing
