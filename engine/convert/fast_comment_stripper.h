#pragma once

#include <span>

#include "byte_kernels.h"
#include "comment_stripper.h"

namespace cstrip {

// The comment stripper for whole buffers: the same output and the same LF
// events as CommentStripper::step() byte by byte, many times faster.
//
// The state between bytes is the plain stepper's own. Whole 64-byte blocks
// go through the byte kernels' stripBlocks, which steps a block at once
// from bit masks of its significant bytes (see simd/strip_kernel.h) and
// packs the bytes it keeps; the bytes left after the last whole block of a
// buffer, and any block with more LFs than the window lets be counted
// quietly, are stepped one at a time, so that the run stops right after
// the LF whose count the window refuses. Where the buffers split never
// matters.
class FastCommentStripper {
 public:
  // Strips with `kernels`: any version gives the same.
  explicit FastCommentStripper(const ByteKernels& kernels = fastestByteKernels())
      : kernels_(kernels) {}

  // Steps through every byte of `chunk`, writing to `out` (put(char) and
  // write(span)) and counting each LF with `lines`: lines.count() after
  // each LF, or for LFs that lines.quietCounts() says would all return
  // true, lines.countQuietly(n) for n of them at once. Returns false as soon
  // as lines.count() does, leaving the rest of the chunk unstepped.
  template <class Output, class Lines>
  bool feed(std::span<const char> chunk, Output& out, Lines& lines);

  // The closing step at the end of the input: writes the last byte read
  // unless it is left out.
  template <class Output>
  void finish(Output& out) {
    if (const int written = stepper_.finish(); written != CommentStripper::kEmpty) {
      out.put(static_cast<char>(written));
    }
  }

 private:
  // Steps [first, last) one byte at a time, counting each LF with
  // lines.count(); false as soon as that does.
  template <class Output, class Lines>
  bool stepBytes(const char* first, const char* last, Output& out, Lines& lines);

  const ByteKernels& kernels_;
  CommentStripper stepper_;
};

template <class Output, class Lines>
bool FastCommentStripper::stepBytes(const char* first, const char* last, Output& out,
                                    Lines& lines) {
  for (; first != last; ++first) {
    if (const int written = stepper_.step(static_cast<unsigned char>(*first));
        written != CommentStripper::kEmpty) {
      out.put(static_cast<char>(written));
    }
    if (*first == '\n' && !lines.count()) return false;
  }
  return true;
}

template <class Output, class Lines>
bool FastCommentStripper::feed(std::span<const char> chunk, Output& out, Lines& lines) {
  const char* p = chunk.data();
  const char* const end = p + chunk.size();
  char packed[kMaskWindow + 64];
  while (end - p >= 64) {
    const char* const windowEnd = end - p < kMaskWindow ? end : p + kMaskWindow;
    const StrippedBlocks done =
        kernels_.stripBlocks(p, windowEnd, lines.quietCounts(), stepper_, packed);
    if (done.written != packed) out.write({packed, done.written});
    if (done.lineFeeds > 0) lines.countQuietly(done.lineFeeds);
    p = done.read;
    if (windowEnd - p >= 64) {  // a block with more LFs than may be counted quietly
      if (!stepBytes(p, p + 64, out, lines)) return false;
      p += 64;
    }
  }
  return stepBytes(p, end, out, lines);
}

}  // namespace cstrip
