// The fast code against the plain one-byte-at-a-time code, on seeded random
// inputs dense in the bytes that matter, split into chunks anywhere.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "case_converter.h"
#include "case_letters.h"
#include "case_stepper.h"
#include "comment_stripper.h"
#include "fast_comment_stripper.h"
#include "significant_bytes.h"

namespace cstrip::testing {
namespace {

// Bytes that steer the two conversions, with a few ordinary ones.
const std::string kAlphabet =
    "\"*/\r\n"
    "aAzZ _{"
    "\x81\x83\x9f\xe0\xfc"              // lead bytes
    "\x40\x5c\x7e\x7f\x80\xa0\xfd\xff"  // trail bytes and their neighbours
    + std::string(1, '\0');

std::string randomInput(std::mt19937_64& random, std::size_t size) {
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::string text(size, ' ');
  for (char& ch : text) {
    ch = random() % 8 == 0 ? static_cast<char>(anyByte(random)) : kAlphabet[pick(random)];
  }
  return text;
}

// About 20000 bytes: short random pieces between runs of one letter up to
// `longestRun` long, so that runs cross the 64-byte blocks and 4 KiB windows.
std::string longInput(std::mt19937_64& random, std::size_t longestRun) {
  std::string input;
  while (input.size() < 20000) {
    input += randomInput(random, random() % 16);
    input += std::string(random() % longestRun, static_cast<char>('A' + random() % 58));
  }
  return input;
}

// Random cut points for `size` bytes, often close together.
std::vector<std::size_t> randomCuts(std::mt19937_64& random, std::size_t size) {
  std::vector<std::size_t> cuts;
  std::uniform_int_distribution<std::size_t> gap(0, random() % 2 ? 8 : 100);
  for (std::size_t at = gap(random); at < size; at += gap(random)) cuts.push_back(at);
  return cuts;
}

std::vector<std::string> splitAt(const std::string& text, const std::vector<std::size_t>& cuts) {
  std::vector<std::string> chunks;
  std::size_t from = 0;
  for (const std::size_t cut : cuts) {
    chunks.push_back(text.substr(from, cut - from));
    from = cut;
  }
  chunks.push_back(text.substr(from));
  return chunks;
}

// What a strip run wrote, the LFs it counted, and whether it ran to the end;
// it is asked to stop at the LF numbered `stopAt` (0: never).
struct StripResult {
  std::string output;
  int lfs = 0;
  bool finished = false;
  bool operator==(const StripResult&) const = default;
};

void PrintTo(const StripResult& result, std::ostream* out) {
  *out << ::testing::PrintToString(result.output) << " after " << result.lfs << " LF"
       << (result.finished ? "" : ", stopped");
}

StripResult stripByteByByte(const std::string& input, int stopAt = 0) {
  StripResult result;
  CommentStripper stripper;
  for (const char ch : input) {
    const int written = stripper.step(static_cast<unsigned char>(ch));
    if (written != CommentStripper::kEmpty) result.output.push_back(static_cast<char>(written));
    if (ch == '\n' && ++result.lfs == stopAt) return result;
  }
  const int written = stripper.finish();
  if (written != CommentStripper::kEmpty) result.output.push_back(static_cast<char>(written));
  result.finished = true;
  return result;
}

StripResult stripFast(const std::vector<std::string>& chunks, int stopAt = 0) {
  struct Out {
    std::string& text;
    void put(char ch) { text.push_back(ch); }
    void write(std::span<const char> bytes) { text.append(bytes.begin(), bytes.end()); }
  };
  StripResult result;
  Out out{result.output};
  FastCommentStripper stripper;
  for (const auto& chunk : chunks) {
    if (!stripper.feed(chunk, out, [&] { return ++result.lfs != stopAt; })) return result;
  }
  const int written = stripper.finish();
  if (written != CommentStripper::kEmpty) result.output.push_back(static_cast<char>(written));
  result.finished = true;
  return result;
}

TEST(FastCommentStripper, MatchesTheStepperOnRandomInputs) {
  std::mt19937_64 random(20261206);
  for (int round = 0; round < 4000; ++round) {
    const std::string input = randomInput(random, random() % 400);
    const int stopAt = round % 4 == 0 ? 1 + static_cast<int>(random() % 4) : 0;
    SCOPED_TRACE(::testing::PrintToString(input));
    ASSERT_EQ(stripFast(splitAt(input, randomCuts(random, input.size())), stopAt),
              stripByteByByte(input, stopAt));
  }
}

TEST(FastCommentStripper, MatchesTheStepperOnLongOrdinaryRuns) {
  // Runs longer than the 64-byte blocks and the 4 KiB mask window.
  std::mt19937_64 random(11);
  for (int round = 0; round < 50; ++round) {
    const std::string input = longInput(random, 5000);
    ASSERT_EQ(stripFast(splitAt(input, randomCuts(random, input.size()))), stripByteByByte(input));
  }
  // Markers across the end of a 64-byte block and of a 4 KiB mask window.
  for (const std::string marker : {"/*", "*/", "//", "\r\n", "\"/", "x/"}) {
    for (const std::size_t at : {62u, 63u, 64u, 4094u, 4095u, 4096u}) {
      const std::string input =
          "/* c " + std::string(at - 5, 'a') + marker + "b\n*/ d" + std::string(100, 'e');
      ASSERT_EQ(stripFast({input}), stripByteByByte(input))
          << ::testing::PrintToString(marker) << " at " << at;
    }
  }
}

TEST(SignificantMasks, MatchTheByteByByteMasks) {
  std::mt19937_64 random(3);
  for (std::size_t size = 0; size < 300; ++size) {
    const std::string input = randomInput(random, size);
    std::vector<std::uint64_t> plain(size / 64 + 1, ~0ull);
    significantMasksByteByByte(input.data(), input.data() + size, plain.data());
    for (const auto masks : significantMasksImplementations()) {
      std::vector<std::uint64_t> fast(size / 64 + 1, ~0ull);
      masks(input.data(), input.data() + size, fast.data());
      ASSERT_EQ(fast, plain) << "size " << size;
    }
  }
}

TEST(ConvertLetters, MatchesTheByteByByteConversion) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 5000; ++round) {
    const std::string input = randomInput(random, random() % 300);
    const bool lower = random() % 2 == 0;
    const bool afterLead = random() % 2 == 0;
    const std::size_t blocks = input.size() / 64 + 1;
    std::string plain = input;
    std::vector<std::uint64_t> plainCrs(blocks, ~0ull);
    const bool plainEnd = convertLettersByteByByte(plain.data(), plain.data() + plain.size(), lower,
                                                   afterLead, plainCrs.data());
    for (const auto convert : convertLettersImplementations()) {
      std::string fast = input;
      std::vector<std::uint64_t> fastCrs(blocks, ~0ull);
      const bool fastEnd =
          convert(fast.data(), fast.data() + fast.size(), lower, afterLead, fastCrs.data());
      ASSERT_EQ(fast, plain) << ::testing::PrintToString(input);
      ASSERT_EQ(fastEnd, plainEnd) << ::testing::PrintToString(input);
      ASSERT_EQ(fastCrs, plainCrs) << ::testing::PrintToString(input);
    }
  }
}

// Records a case run: the bytes written, and apart from them the line
// events, since the fast converter passes bytes on in larger pieces. The
// direction of each line comes from a seeded stream; the run is asked to
// stop at the end of the line numbered `stopAt` (0: never).
class RecordingSink {
 public:
  RecordingSink(unsigned seed, int stopAt) : directions_(seed), stopAt_(stopAt) {}
  bool lowerCaseForNewLine() {
    events += "<";
    return directions_() % 3 != 0;
  }
  void write(std::span<const char> bytes) { output.append(bytes.begin(), bytes.end()); }
  bool lineEnded() {
    events += ">";
    return ++lines != stopAt_;
  }
  std::string output;
  std::string events;
  int lines = 0;

 private:
  std::mt19937 directions_;
  int stopAt_;
};

template <template <class> class Converter>
std::pair<std::string, std::string> convertCase(const std::vector<std::string>& chunks,
                                                unsigned seed, int stopAt = 0) {
  RecordingSink sink(seed, stopAt);
  Converter<RecordingSink> converter(sink);
  bool going = true;
  for (std::string chunk : chunks) {
    if (going) going = converter.feed(chunk);
  }
  if (going) converter.finish();
  return {sink.output, sink.events};
}

TEST(CaseConverter, MatchesTheStepperOnRandomInputs) {
  std::mt19937_64 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    const std::string input = randomInput(random, random() % 400);
    const auto seed = static_cast<unsigned>(round);
    const int stopAt = round % 4 == 0 ? 1 + static_cast<int>(random() % 4) : 0;
    SCOPED_TRACE(::testing::PrintToString(input));
    ASSERT_EQ(
        convertCase<CaseConverter>(splitAt(input, randomCuts(random, input.size())), seed, stopAt),
        convertCase<CaseStepper>({input}, seed, stopAt));
  }
}

TEST(CaseConverter, MatchesTheStepperAcrossItsWindows) {
  // Inputs longer than the converter's 4 KiB windows, lines of every length.
  std::mt19937_64 random(17);
  for (int round = 0; round < 50; ++round) {
    const std::string input = longInput(random, 3000);
    std::vector<std::size_t> cuts;
    for (std::size_t at = random() % 9000; at < input.size(); at += 1 + random() % 9000) {
      cuts.push_back(at);
    }
    const auto seed = static_cast<unsigned>(round);
    ASSERT_EQ(convertCase<CaseConverter>(splitAt(input, cuts), seed),
              convertCase<CaseStepper>({input}, seed));
  }
  // A double-byte character, or a line end, across a window's end.
  for (const std::string pair : {"\x83\x41", "\x81\x81", "\r\n", "\r\x83"}) {
    for (std::size_t at = 4090; at < 4100; ++at) {
      const std::string input = std::string(at, 'a') + pair + "Ab\r\n" + std::string(5000, 'B');
      ASSERT_EQ(convertCase<CaseConverter>({input}, 1), convertCase<CaseStepper>({input}, 1))
          << ::testing::PrintToString(pair) << " at " << at;
    }
  }
}

}  // namespace
}  // namespace cstrip::testing
