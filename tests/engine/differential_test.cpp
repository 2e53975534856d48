// The fast code against the plain one-byte-at-a-time code, on seeded random
// inputs dense in the bytes that matter, split into chunks anywhere.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "byte_kernels.h"
#include "runs.h"

namespace cstrip::testing {
namespace {

// Bytes that steer the two conversions, with a few ordinary ones: the
// significant bytes, letters and their neighbours, and both edges of every
// Shift-JIS lead and trail range.
const std::string kAlphabet = std::string(
    "\"*/\r\n"
    "aAzZ@[`{ _\\"
    "\x3f\x40\x7e\x7f\x80\x81\x83\x9f\xa0\xdf\xe0\xfc\xfd\xff\0",
    31);

std::string randomInput(std::mt19937_64& random, std::size_t size) {
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string text(size, ' ');
  for (char& ch : text)
    ch = random() % 8 == 0 ? static_cast<char>(random()) : kAlphabet[pick(random)];
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

// `text` cut at random points, often close together.
std::vector<std::string> randomChunks(std::mt19937_64& random, const std::string& text) {
  std::vector<std::string> chunks;
  const std::size_t widest = random() % 2 ? 8 : 9000;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = random() % (widest + 1);
    chunks.push_back(text.substr(at, length));
    at += length;
  }
  return chunks;
}

// Each test runs with every version of the byte kernels this processor has.

TEST(FastCommentStripper, MatchesTheStepper) {
  std::mt19937_64 random(20261206);
  for (int round = 0; round < 3000; ++round) {
    const std::string input =
        round % 40 == 0 ? longInput(random, 5000) : randomInput(random, random() % 400);
    const auto expected = stripByteByByte({input});
    for (const ByteKernels& kernels : availableByteKernels()) {
      SCOPED_TRACE(kernels.name + (" on " + ::testing::PrintToString(input)));
      ASSERT_EQ(stripFast(randomChunks(random, input), kernels), expected);
    }
  }
  // Markers across the end of a 64-byte block and of a 4 KiB mask window.
  for (const std::string marker : {"/*", "*/", "//", "\r\n", "\"/", "x/"}) {
    for (const std::size_t at : {62u, 63u, 64u, 4094u, 4095u, 4096u}) {
      const std::string input =
          "/* c " + std::string(at - 5, 'a') + marker + "b\n*/ d" + std::string(100, 'e');
      ASSERT_EQ(stripFast({input}), stripByteByByte({input}))
          << ::testing::PrintToString(marker) << " at " << at;
    }
  }
}

TEST(CaseConverter, MatchesTheStepper) {
  std::mt19937_64 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    const std::string input =
        round % 40 == 0 ? longInput(random, 3000) : randomInput(random, random() % 400);
    const std::string directions = randomInput(random, 1 + random() % 8);
    const auto expected = convertCase<CaseStepper>({input}, directions);
    for (const ByteKernels& kernels : availableByteKernels()) {
      SCOPED_TRACE(kernels.name + (" on " + ::testing::PrintToString(input)));
      ASSERT_EQ(convertCase<CaseConverter>(randomChunks(random, input), directions, kernels),
                expected);
    }
  }
  // A double-byte character, or a line end, across a window's end.
  for (const std::string pair : {"\x83\x41", "\x81\x81", "\r\n", "\r\x83"}) {
    for (std::size_t at = 4090; at < 4100; ++at) {
      const std::string input = std::string(at, 'a') + pair + "Ab\r\n" + std::string(5000, 'B');
      ASSERT_EQ(convertCase<CaseConverter>({input}, "\1"), convertCase<CaseStepper>({input}, "\1"))
          << ::testing::PrintToString(pair) << " at " << at;
    }
  }
}

}  // namespace
}  // namespace cstrip::testing
