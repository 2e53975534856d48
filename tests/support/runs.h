#pragma once

// The fast runs and their byte-by-byte oracles, run on strings in memory,
// for the tests and the fuzzers alike.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "c_comment_stripper.h"
#include "case_converter.h"
#include "case_stepper.h"
#include "comment_stripper.h"
#include "fast_c_comment_stripper.h"
#include "fast_comment_stripper.h"
#include "single_pass_c_strip.h"
#include "single_pass_case.h"

namespace cstrip::testing {

// What a run wrote and the events it reported, in order: '|' for each LF
// counted by a strip run; '<' for each line start and '>' for each line end
// of a case run, '!' for a line passed unseen that was not let pass, or a
// byte written over that was never written. Also the case run's sink, as a
// window: it sees each line end but the next `quiet` after each one seen
// (quietLines() says how many are left), and may change the direction
// there and when idle between chunks, to be read at the next line start:
// after n of those, lower case when bit 0 of directions[n % size] is set
// (always when empty).
struct Recorded {
  std::string output;
  std::string events;
  std::string directions = {};
  std::uint64_t quiet = 0;
  std::uint64_t left = 0;  // line ends still to pass unseen
  std::uint64_t seen = 0;  // line ends seen, and idles
  bool toRead = true;      // the direction is to be read at the next line start
  bool operator==(const Recorded& other) const {
    return output == other.output && events == other.events;
  }

  void put(char ch) { output.push_back(ch); }
  void write(std::span<const char> bytes) { output.append(bytes.begin(), bytes.end()); }
  bool lowerCaseForNewLine() {
    events += '<';
    toRead = false;
    return directions.empty() || (directions[seen % directions.size()] & 1) != 0;
  }
  bool lineEnded() {
    events += '>';
    if (left > 0) {
      --left;
    } else {
      idle();
      left = quiet;
    }
    return true;
  }
  void idle() {
    ++seen;
    toRead = true;
  }
  std::uint64_t quietLines() const { return toRead ? 0 : left; }
  void linesPassed(std::uint64_t lines) {
    for (std::uint64_t i = 0; i < lines; ++i) events += lines > left ? "!" : "><";
    left -= std::min(lines, left);
  }
};

inline void PrintTo(const Recorded& run, std::ostream* out) {
  *out << '"' << run.output << "\" " << run.events;
}

inline Recorded stripByteByByte(const std::vector<std::string>& chunks) {
  Recorded run;
  CommentStripper stripper;
  for (const auto& chunk : chunks) {
    for (const char ch : chunk) {
      if (const int written = stripper.step(static_cast<unsigned char>(ch)); written >= 0) {
        run.put(static_cast<char>(written));
      }
      if (ch == '\n') run.events += '|';
    }
  }
  if (const int written = stripper.finish(); written >= 0) run.put(static_cast<char>(written));
  return run;
}

// Counts a strip run's LFs, or the C stripping's line ends, as '|' events,
// as a window that lets `quiet` of them go by, then calls out at the next,
// and so on: quietCounts() says how many are left. Counting more quietly
// than that records '!'.
struct LfEvents {
  Recorded& run;
  std::uint64_t quiet;
  std::uint64_t left = quiet;

  bool count() {
    run.events += '|';
    left = left > 0 ? left - 1 : quiet;
    return true;
  }
  std::uint64_t quietCounts() const { return left; }
  void countQuietly(std::uint64_t lines) {
    run.events.append(lines, lines > left ? '!' : '|');
    left -= std::min(lines, left);
  }
};

inline Recorded stripFast(const std::vector<std::string>& chunks,
                          const ByteKernels& kernels = fastestByteKernels(),
                          std::uint64_t quiet = UINT64_MAX) {
  Recorded run;
  LfEvents lines{run, quiet};
  FastCommentStripper stripper(kernels);
  for (const auto& chunk : chunks) stripper.feed(chunk, run, lines);
  stripper.finish(run);
  return run;
}

// The C comment stripping, byte by byte, with '|' for each line end read
// and, at the end, '!' and the line an unterminated comment opened on.
inline Recorded stripCByteByByte(const std::vector<std::string>& chunks, CStripRules rules) {
  Recorded run;
  CCommentStripper stripper(rules);
  bool afterCr = false;
  for (const auto& chunk : chunks) {
    for (const char ch : chunk) {
      stripper.step(ch, run);
      if (ch == '\r' || (ch == '\n' && !afterCr)) run.events += '|';
      afterCr = ch == '\r';
    }
  }
  stripper.finish(run);
  if (const auto line = stripper.unterminatedCommentLine())
    run.events += '!' + std::to_string(line);
  return run;
}

// The same, fast, counting as LfEvents does.
inline Recorded stripCFast(const std::vector<std::string>& chunks, CStripRules rules,
                           const ByteKernels& kernels = fastestByteKernels(),
                           std::uint64_t quiet = UINT64_MAX) {
  Recorded run;
  LfEvents lines{run, quiet};
  FastCCommentStripper stripper(rules, kernels);
  for (const auto& chunk : chunks) stripper.feed(chunk, run, lines);
  stripper.finish(run);
  if (const auto line = stripper.unterminatedCommentLine())
    run.events += '!' + std::to_string(line);
  return run;
}

// The input of a one-pass run, held whole, read again from its string,
// with the run it is recorded in.
struct ReadAgain {
  std::string input;
  Recorded& run;
  std::size_t reread(std::uint64_t offset, std::span<char> into) {
    const std::size_t size = std::min<std::size_t>(into.size(), input.size() - offset);
    std::copy_n(input.data() + offset, size, into.data());
    return size;
  }
};

// The C comment stripping reading its input once and deciding the encoding
// as it goes (SinglePassCStrip), counting as LfEvents does: the chunks are
// the input, read again from their string; starting the output over
// empties the recorded output.
inline Recorded stripCInOnePass(const std::vector<std::string>& chunks, CStripRules rules,
                                const ByteKernels& kernels, std::uint64_t quiet) {
  struct Text : ReadAgain {
    void restartOutput() { run.output.clear(); }
    bool idle() { return true; }
  };
  Recorded run;
  LfEvents lines{run, quiet};
  Text text{{{}, run}};
  for (const auto& chunk : chunks) text.input += chunk;
  SinglePassCStrip<Recorded, LfEvents, Text> stripper(run, lines, text, rules, false, kernels);
  for (const auto& chunk : chunks) stripper.feed(chunk);
  stripper.finish();
  if (const auto line = stripper.unterminatedCommentLine())
    run.events += '!' + std::to_string(line);
  return run;
}

// The case run through Converter (CaseStepper, or CaseConverter with the
// byte kernels to use as `more`), its sink seeing line ends as Recorded
// says with `quiet`, and idle after each chunk.
template <template <class> class Converter, class... More>
Recorded convertCase(const std::vector<std::string>& chunks, const std::string& directions,
                     std::uint64_t quiet, TextEncoding encoding, const More&... more) {
  Recorded run{{}, {}, directions, quiet};
  Converter<Recorded> converter(run, encoding, more...);
  for (std::string chunk : chunks) {
    converter.feed(chunk);
    run.idle();
  }
  converter.finish();
  return run;
}

// The case run reading its input once and deciding the encoding as it goes
// (SinglePassCase, with `mostChanges` direction changes recorded before it
// checks ahead): the chunks are the input, read again from their string,
// and the output is written over in the recorded run. Its idles between
// the buffers of a rewrite change nothing, so that the run gives the same
// as the stepper.
inline Recorded convertCaseInOnePass(const std::vector<std::string>& chunks,
                                     const std::string& directions, std::uint64_t quiet,
                                     const ByteKernels& kernels, std::size_t mostChanges) {
  struct Text : ReadAgain {
    void rewrite(std::uint64_t offset, std::span<const char> bytes) {
      if (offset + bytes.size() > run.output.size()) {
        run.events += '!';
      } else {
        run.output.replace(offset, bytes.size(), bytes.data(), bytes.size());
      }
    }
    bool idle() { return true; }
  };
  Recorded run{{}, {}, directions, quiet};
  Text text{{{}, run}};
  for (const auto& chunk : chunks) text.input += chunk;
  SinglePassCase<Recorded, Text> converter(run, text, std::nullopt, kernels, mostChanges);
  for (std::string chunk : chunks) {
    converter.feed(chunk);
    run.idle();
  }
  converter.finish();
  return run;
}

// Whether `text` is valid UTF-8, decoded the plain way: each character's
// length from the leading one bits of its first byte, its code point from
// the rest, then checked for the shortest form, surrogates and U+10FFFF.
inline bool isValidUtf8(std::string_view text) {
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0, length; i < text.size(); i += length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int ones = std::countl_one(lead);
    length = ones == 0 ? 1 : ones >= 2 && ones <= 4 ? ones : 0;
    if (length == 0 || length > text.size() - i) return false;
    char32_t code = lead & (0xFF >> (ones + 1));
    for (std::size_t k = 1; k < length; ++k) {
      if (std::countl_one(static_cast<unsigned char>(text[i + k])) != 1) return false;
      code = code << 6 | (text[i + k] & 0x3F);
    }
    if (code < kShortest[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
      return false;
  }
  return true;
}

// Splits a fuzzer's input: its first byte sets the chunk size (1 to 255, or
// with 255 the whole input in one chunk, which crosses the runs' 4 KiB
// windows), so that the fuzzer also explores where the buffers end.
inline std::vector<std::string> chunksOf(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> chunks;
  if (size == 0) return chunks;
  const std::size_t chunkSize = data[0] == 255 ? size : std::size_t{data[0]} + 1;
  for (std::size_t at = 1; at < size; at += chunkSize) {
    chunks.emplace_back(reinterpret_cast<const char*>(data) + at, std::min(chunkSize, size - at));
  }
  return chunks;
}

}  // namespace cstrip::testing
