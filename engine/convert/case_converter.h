#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "byte_kernels.h"

namespace cstrip {

// The case run's conversion. A line ends at CR LF or at a CR not followed
// by LF; a lone LF is an ordinary byte of the line. Each line is written
// with CR LF after it, the last one too. Only A-Z and a-z change. In
// Shift-JIS, a double-byte character (a lead byte, then a trail byte) is
// copied unchanged even where its trail byte is an ASCII letter; a lead
// byte followed by anything else, or ending the line, is copied alone. In
// UTF-8 every ASCII letter changes. The input may arrive in chunks split
// anywhere, and memory stays constant whatever the length of a line.
//
// Sink has: bool lowerCaseForNewLine(), asked once as each line starts
// (true for lower case); void write(std::span<const char>), the output in
// order; bool lineEnded(), after each line and its CR LF, false to stop;
// std::uint64_t quietLines(), how many of the next line ends, each with the
// start of the line after it, the sink lets pass unseen: lineEnded() would
// say true to each, and lowerCaseForNewLine() the direction of the line
// before; and void linesPassed(std::uint64_t n), told instead of those
// calls for n of them, n at most quietLines().
//
// It gives the same output and the same calls to the sink as a plain
// byte-by-byte conversion, kept with the tests, many times faster.
// Why it is equivalent:
//  - Each chunk is converted in place in one vectorised pass with the
//    direction of the line it starts in. A CR or LF is neither a letter nor
//    a trail byte, so double-byte characters never span a line end and the
//    pass needs no knowledge of lines.
//  - The direction can change only at a line start. If it does, the rest of
//    the chunk is converted again with the new one. That gives the same
//    bytes as converting the original: lower(upper(x)) == lower(x) and the
//    reverse, and converting letters moves no byte into or out of the
//    lead-byte range, so the double-byte characters stay where they were.
//  - Input CR LF is output CR LF as it stands; a lone CR gets an LF after
//    it, and the last line a CR LF, so the output is passed on as spans of
//    the chunk with those few bytes in between. The conversion pass also
//    marks the CRs, and the LFs and the number of CRs of the blocks that
//    have one, so finding line ends, and the blocks whose CRs all have an
//    LF after them, is cheap.
//  - A block whose CRs are all followed by LF, with the next line's start
//    in the chunk, needs nothing written between its spans: when the sink
//    lets that many lines pass unseen, they pass at once.
template <class Sink>
class CaseConverter {
 public:
  // Reads the text as `encoding`, converting letters with `kernels`: any
  // version gives the same.
  CaseConverter(Sink& sink, TextEncoding encoding,
                const ByteKernels& kernels = fastestByteKernels())
      : sink_(sink), encoding_(encoding), kernels_(kernels) {}

  // Converts `chunk` in place and passes it to the sink. Returns false as
  // soon as the sink asks to stop; what precedes the stop has been passed on.
  bool feed(std::span<char> chunk);
  // At the end of the input: ends a last line that has no terminator.
  bool finish();

  // Whether the last byte fed may own the next as a trail byte, in
  // Shift-JIS; and reading the rest of the text as Shift-JIS, from where a
  // conversion of the text so far as Shift-JIS left that.
  bool afterLeadByte() const { return afterLeadByte_; }
  void goOnAsShiftJis(bool afterLeadByte) {
    encoding_ = TextEncoding::ShiftJis;
    afterLeadByte_ = afterLeadByte;
  }

 private:
  bool endLine() {
    inLine_ = false;
    return sink_.lineEnded();
  }
  void startLine() {
    inLine_ = true;
    lower_ = sink_.lowerCaseForNewLine();
  }
  void write(const char* first, const char* last) {
    if (first != last) sink_.write({first, last});
  }

  Sink& sink_;
  TextEncoding encoding_;
  const ByteKernels& kernels_;
  bool inLine_ = false;         // a line has started and has not ended yet
  bool lower_ = true;           // the direction of the current line
  bool afterCR_ = false;        // the last byte was a CR, which ended its line
  bool afterLeadByte_ = false;  // the last byte may own the next as a trail byte
};

template <class Sink>
bool CaseConverter<Sink>::feed(std::span<char> chunk) {
  char* p = chunk.data();
  char* const end = p + chunk.size();
  char* unwritten = p;
  if (afterCR_ && p != end) {
    afterCR_ = false;
    if (*p == '\n') {
      ++p;  // CR LF: its CR went out with the previous chunk
    } else {
      sink_.write({"\n", 1});  // a lone CR, written with the previous chunk
    }
    if (!endLine()) {
      write(unwritten, p);
      return false;
    }
  }
  if (p == end) {
    write(unwritten, end);
    return true;
  }
  if (!inLine_) startLine();

  // A window at a time: convert it, then walk through its line ends.
  std::uint64_t lineMasks[3 * kMaskWindow / 64];  // per block: CRs, LFs, number of CRs
  for (char* window = p; window < end;) {
    char* const windowEnd = end - window < kMaskWindow ? end : window + kMaskWindow;
    afterLeadByte_ =
        kernels_.convertLetters(window, windowEnd, encoding_, lower_, afterLeadByte_, lineMasks);
    const std::ptrdiff_t blocks = (windowEnd - window + 63) / 64;
    std::uint64_t quiet = sink_.quietLines();
    std::uint64_t passing = 0;  // lines passed unseen, told to the sink together
    const std::uint64_t* const masksEnd = lineMasks + 3 * blocks;
    for (const std::uint64_t* masks = lineMasks;; masks += 3) {
      while (masks != masksEnd && masks[0] == 0) masks += 3;
      if (masks == masksEnd) break;
      const std::uint64_t crs = masks[0];
      const std::ptrdiff_t block = (masks - lineMasks) / 3;
      char* const blockStart = window + 64 * block;
      if (end - blockStart >= 66) {
        // A whole block with two bytes after it in the chunk: an LF or not
        // after its last byte, and the next line's start.
        const std::uint64_t lfsAfter = masks[1] >> 1 | std::uint64_t{blockStart[64] == '\n'} << 63;
        if ((crs & ~lfsAfter) == 0) {
          const std::uint64_t lines = masks[2];
          if (passing + lines <= quiet) {
            passing += lines;
            continue;
          }
        }
      }
      if (passing > 0) sink_.linesPassed(std::exchange(passing, 0));
      for (std::uint64_t mask = crs; mask != 0; mask &= mask - 1) {
        char* const cr = blockStart + __builtin_ctzll(mask);
        char* next = cr + 1;
        if (next == end) {
          afterCR_ = true;  // whether an LF follows shows in the next chunk
          break;
        }
        if (*next == '\n') {
          ++next;
        } else {
          write(unwritten, next);
          sink_.write({"\n", 1});
          unwritten = next;
        }
        if (!endLine()) {
          write(unwritten, next);
          return false;
        }
        if (next == end) break;
        const bool wasLower = lower_;
        startLine();
        if (lower_ != wasLower && next < windowEnd) {
          afterLeadByte_ =
              kernels_.convertLetters(next, windowEnd, encoding_, lower_, false, nullptr);
        }
      }
      quiet = sink_.quietLines();
    }
    if (passing > 0) sink_.linesPassed(passing);
    window = windowEnd;
  }
  write(unwritten, end);
  return true;
}

template <class Sink>
bool CaseConverter<Sink>::finish() {
  if (afterCR_) {
    afterCR_ = false;
    sink_.write({"\n", 1});
    return endLine();
  }
  if (!inLine_) return true;
  sink_.write({"\r\n", 2});
  return endLine();
}

}  // namespace cstrip
