#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include "byte_kernels.h"
#include "comment_stripper.h"
#include "significant_bytes.h"

namespace cstrip {

// The comment stripper for whole buffers: the same output and the same LF
// events as CommentStripper::step() byte by byte, many times faster.
//
// Why it is equivalent:
//  - The rules compare bytes only with the five significant ones, so every
//    other byte acts alike, and the state that matters for later steps is
//    small: what kind of byte `cur` is (one of the five, another byte, or
//    empty), the three flags (in one of their five reachable combinations)
//    and whether `breakRun` is 0, 1 or 2. `prev` never matters: each step
//    replaces it first. The transition table below is computed by running
//    CommentStripper::step() itself on every such state and kind of byte.
//  - A step writes `prev`, which is the byte read one step earlier, so the
//    output is a subsequence of the input and is passed on as spans of it.
//  - After an ordinary byte, further ordinary bytes leave the state as the
//    second of them did (checked below at compile time), so a run of them
//    and the significant byte after it take one look-up in a table by the
//    run's length (none, one, more). The significant bytes are found 64 at
//    a time with bit masks.
//  - Most 64-byte blocks are calm: outside comments, a block where no
//    comment starts (a `/` before `/` or `*`, outside a string), or inside
//    a block comment, one where none ends (`*/`) and no `//` starts the
//    line-comment flag. There the bytes that matter act in a few fixed ways
//    that bit masks describe at once: a quote toggles the string flag (a
//    prefix XOR), a line break right after another is left out, every
//    other byte outside comments is written, none inside; and the state at
//    the block's end follows from its last bytes. Such a block is stepped
//    whole, its LFs counted together; of any other, the calm bytes before
//    the first that is not, and the rest significant byte by significant
//    byte.
// The state is kept between buffers, so where they split never matters.
class FastCommentStripper {
 public:
  // Finds the significant bytes with `kernels`: any version gives the same.
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
  void finish(Output& out);

 private:
  // A byte's kind: 0 for an ordinary byte, 1 + its index for the significant
  // ones, and one more for the empty value.
  using Kind = std::uint8_t;
  static constexpr Kind kOther = 0;
  static constexpr int kInputKinds = 1 + std::size(kSignificantBytes);  // all but empty
  static constexpr Kind kEmptyKind = kInputKinds;
  // The kind of `cur`, the five flag combinations, and breakRun 0, 1 or 2.
  static constexpr int kStates = (kInputKinds + 1) * 5 * 3;
  static constexpr std::uint8_t kWrites = 0x80;  // flag in a table entry

  // A step over a run of ordinary bytes and the significant byte after it,
  // by the run's length: none, one, or more (longer runs act as two do).
  static constexpr int kRunLengths = 3;
  // The jump table is flat: a state's row holds kRunLengths * kInputKinds
  // entries, and an entry names the next state by the index of its row, so
  // that the look-up chain from one significant byte to the next is short.
  static constexpr int kRowSize = kRunLengths * kInputKinds;
  static constexpr std::uint16_t kRowMask = 0x7FF;
  // Flags in a jump entry, above the row index: which of the bytes before
  // the significant one the steps write. With the run at [p, q) and the
  // significant byte at q: the byte at p - 1, the bytes [p, q - 1), the
  // byte at q - 1.
  static constexpr std::uint16_t kWritesBeforeRun = 0x800;
  static constexpr std::uint16_t kWritesRun = 0x1000;
  static constexpr std::uint16_t kWritesLast = 0x2000;
  static constexpr std::uint16_t kWritesAny = kWritesBeforeRun | kWritesRun | kWritesLast;
  static_assert(kStates * kRowSize <= kRowMask);

  struct Tables {
    std::array<std::array<std::uint8_t, kInputKinds>, kStates> next{};  // state | kWrites
    std::array<std::uint16_t, kStates * kRowSize> jump{};
    std::array<std::uint8_t, 256> kind{};
  };
  static constexpr Kind kindOf(int value);
  // The state's parts.
  static constexpr Kind curKindOf(std::uint8_t state) { return state % (kInputKinds + 1); }
  static constexpr int flagsOf(std::uint8_t state) { return state / (kInputKinds + 1) % 5; }
  static constexpr int breakRunOf(std::uint8_t state) { return state / ((kInputKinds + 1) * 5); }
  static constexpr std::uint8_t stateOf(Kind cur, int flags, int breakRun) {
    return static_cast<std::uint8_t>(cur + (kInputKinds + 1) * (flags + 5 * breakRun));
  }
  // Where each significant byte's mask is in SignificantMasks.
  static constexpr int kQuote = significantIndex('"');
  static constexpr int kStar = significantIndex('*');
  static constexpr int kSlash = significantIndex('/');
  static constexpr int kCr = significantIndex('\r');
  static constexpr int kLf = significantIndex('\n');
  // The flag combinations a calm block can be stepped whole in.
  static constexpr int kNoFlags = 0;
  static constexpr int kInString = 1;
  static constexpr int kInBlockComment = 3;
  static constexpr std::uint8_t encode(const CommentStripper& stripper);
  static constexpr CommentStripper decode(std::uint8_t state, unsigned char lastByte);
  static constexpr Tables makeTables();
  static constexpr bool ordinaryRunsSettle(const Tables& tables);
  static constexpr bool writesAreContiguous(const Tables& tables);

  static const Tables kTables;

  template <class Output>
  class PendingOutput;
  // Steps the 64 bytes at `block` whole, or as many of its first bytes as
  // are calm for the state (see above) when `lines` can count their LFs
  // quietly; returns how many, 0 when none.
  template <class Output, class Lines>
  int stepCalm(const char* block, const SignificantMasks& masks, PendingOutput<Output>& out,
               Lines& lines);

  const ByteKernels& kernels_;
  std::uint8_t state_ = encode(CommentStripper{});
  unsigned char lastByte_ = 0;  // the last byte stepped, when `cur` holds it
};

constexpr FastCommentStripper::Kind FastCommentStripper::kindOf(int value) {
  if (value == CommentStripper::kEmpty) return kEmptyKind;
  for (std::size_t i = 0; i < std::size(kSignificantBytes); ++i) {
    if (value == static_cast<unsigned char>(kSignificantBytes[i])) return static_cast<Kind>(1 + i);
  }
  return kOther;
}

constexpr std::uint8_t FastCommentStripper::encode(const CommentStripper& stripper) {
  // Flag combinations: none, string, line, block, line and block.
  const int flags = stripper.inString          ? 1
                    : !stripper.inBlockComment ? (stripper.inLineComment ? 2 : 0)
                    : stripper.inLineComment   ? 4
                                               : 3;
  return stateOf(kindOf(stripper.cur), flags, stripper.breakRun);
}

constexpr CommentStripper FastCommentStripper::decode(std::uint8_t state, unsigned char lastByte) {
  CommentStripper stripper;
  const int flags = flagsOf(state);
  stripper.cur = curKindOf(state) == kEmptyKind ? CommentStripper::kEmpty : lastByte;
  stripper.inString = flags == kInString;
  stripper.inLineComment = flags == 2 || flags == 4;
  stripper.inBlockComment = flags == kInBlockComment || flags == 4;
  stripper.breakRun = breakRunOf(state);
  return stripper;
}

constexpr FastCommentStripper::Tables FastCommentStripper::makeTables() {
  // A byte of each kind that can be read.
  unsigned char example[kInputKinds] = {};
  for (int byte = 0; byte < 256; ++byte) example[kindOf(byte)] = static_cast<unsigned char>(byte);
  Tables tables;
  for (int byte = 0; byte < 256; ++byte) tables.kind[byte] = kindOf(byte);
  for (int state = 0; state < kStates; ++state) {
    const int curKind = curKindOf(static_cast<std::uint8_t>(state));
    for (int input = 0; input < kInputKinds; ++input) {
      CommentStripper stripper =
          decode(static_cast<std::uint8_t>(state), example[curKind == kEmptyKind ? 0 : curKind]);
      const bool writes = stripper.step(example[input]) != CommentStripper::kEmpty;
      tables.next[state][input] = encode(stripper) | (writes ? kWrites : 0);
    }
    for (int runLength = 0; runLength < kRunLengths; ++runLength) {
      for (int input = 0; input < kInputKinds; ++input) {
        CommentStripper stripper =
            decode(static_cast<std::uint8_t>(state), example[curKind == kEmptyKind ? 0 : curKind]);
        std::uint16_t entry = 0;
        for (int i = 0; i < runLength; ++i) {
          if (stripper.step('x') != CommentStripper::kEmpty) {
            entry |= i == 0 ? kWritesBeforeRun : kWritesRun;
          }
        }
        if (stripper.step(example[input]) != CommentStripper::kEmpty) entry |= kWritesLast;
        tables.jump[state * kRowSize + runLength * kInputKinds + input] =
            entry | static_cast<std::uint16_t>(encode(stripper) * kRowSize);
      }
    }
  }
  return tables;
}

constexpr bool FastCommentStripper::ordinaryRunsSettle(const Tables& tables) {
  for (int state = 0; state < kStates; ++state) {
    const int second = tables.next[tables.next[state][kOther] & ~kWrites][kOther];
    if (tables.next[second & ~kWrites][kOther] != second) return false;
  }
  return true;
}

constexpr bool FastCommentStripper::writesAreContiguous(const Tables& tables) {
  // Only a run of two or more could leave a gap between the byte before it
  // and its last byte.
  for (int state = 0; state < kStates; ++state) {
    for (int input = 0; input < kInputKinds; ++input) {
      const std::uint16_t entry = tables.jump[state * kRowSize + 2 * kInputKinds + input];
      if ((entry & kWritesBeforeRun) && (entry & kWritesLast) && !(entry & kWritesRun)) {
        return false;
      }
    }
  }
  return true;
}

inline constexpr FastCommentStripper::Tables FastCommentStripper::kTables =
    FastCommentStripper::makeTables();

template <class Output>
void FastCommentStripper::finish(Output& out) {
  CommentStripper stripper = decode(state_, lastByte_);
  const int written = stripper.finish();
  state_ = encode(stripper);
  if (written != CommentStripper::kEmpty) out.put(static_cast<char>(written));
}

// The bytes a chunk's steps write, kept as one span of the chunk while they
// are contiguous, and passed on when they stop being so.
template <class Output>
class FastCommentStripper::PendingOutput {
 public:
  PendingOutput(Output& out, const char* begin, unsigned char lastByte)
      : out_(out), begin_(begin), lastByte_(lastByte), start_(begin), end_(begin) {}

  // Writes the bytes [first, last) of the chunk; first == begin - 1 stands
  // for the previous chunk's last byte.
  void write(const char* first, const char* last) {
    if (first < begin_) {
      out_.put(static_cast<char>(lastByte_));
      first = begin_;
    }
    if (first != end_) {
      flush();
      start_ = first;
    }
    end_ = last;
  }
  void flush() {
    if (end_ != start_) out_.write({start_, end_});
    start_ = end_;
  }

 private:
  Output& out_;
  const char* const begin_;
  const unsigned char lastByte_;
  const char* start_;
  const char* end_;
};

template <class Output, class Lines>
int FastCommentStripper::stepCalm(const char* block, const SignificantMasks& masks,
                                  PendingOutput<Output>& out, Lines& lines) {
  const int flags = flagsOf(state_);
  const Kind cur = curKindOf(state_);
  const std::uint64_t stars = masks.of[kStar];
  const std::uint64_t slashes = masks.of[kSlash];
  // Bit j of before(mask, carry): whether byte j - 1 is in `mask`, `carry`
  // standing for `cur`, the byte before the block.
  const auto before = [](std::uint64_t mask, bool carry) { return mask << 1 | carry; };
  const std::uint64_t afterSlash = before(slashes, cur == kindOf('/'));

  // The calm part ends where the table is needed: in a block comment, at a
  // `*/` or a `//`; elsewhere, where a comment starts (a `/` before a `/`
  // or `*` outside a string; bit j of inString: inside a string after
  // byte j, each quote toggling it).
  std::uint64_t trouble = 0;
  std::uint64_t inString = 0;
  if (flags == kInBlockComment) {
    trouble = (before(stars, cur == kindOf('*')) | afterSlash) & slashes;
  } else if (flags == kNoFlags || flags == kInString) {
    inString = masks.of[kQuote];
    for (int shift = 1; shift < 64; shift *= 2) inString ^= inString << shift;
    if (flags == kInString) inString = ~inString;
    trouble = afterSlash & (slashes | stars) & ~inString;
  } else {
    return 0;
  }
  const int to = trouble == 0 ? 64 : std::countr_zero(trouble);
  if (to == 0) return 0;
  const std::uint64_t stepped = to == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
  const auto lfs = static_cast<std::uint64_t>(to == 64 ? masks.lineFeeds
                                                       : std::popcount(masks.of[kLf] & stepped));
  if (lfs > lines.quietCounts()) return 0;

  const char* const last = block + to - 1;  // the next `cur`
  if (flags == kInBlockComment) {
    state_ = stateOf(kTables.kind[static_cast<unsigned char>(*last)], flags, breakRunOf(state_));
  } else {
    // `cur` is written unless it is a line break after another, and then
    // every byte up to the last but the line breaks right after another. A
    // comment between two line breaks does not part them.
    const std::uint64_t breaks = (masks.of[kCr] | masks.of[kLf]) & stepped;
    const bool curIsBreak = cur == kindOf('\r') || cur == kindOf('\n');
    const int breakRun = breakRunOf(state_);
    const std::uint64_t leftOut =
        breaks & before(breaks, curIsBreak || (cur == kEmptyKind && breakRun > 0));
    const char* from = cur == kEmptyKind || (curIsBreak && breakRun > 0) ? block : block - 1;
    for (std::uint64_t gaps = leftOut; gaps != 0; gaps &= gaps - 1) {
      const char* const gap = block + std::countr_zero(gaps);
      if (from != gap) out.write(from, gap);
      from = gap + 1;
    }
    if (from < last) out.write(from, last);
    // breakRun as it was when the byte before the last was written.
    int endRun = 0;
    if (to >= 2) {
      endRun = (breaks >> (to - 2) & 1) == 0 ? 0 : (leftOut >> (to - 2) & 1) == 0 ? 1 : 2;
    } else {
      endRun = cur == kEmptyKind ? breakRun : curIsBreak ? std::min(breakRun + 1, 2) : 0;
    }
    state_ = stateOf(kTables.kind[static_cast<unsigned char>(*last)],
                     (inString >> (to - 1) & 1) != 0 ? kInString : kNoFlags, endRun);
  }
  if (lfs > 0) lines.countQuietly(lfs);
  return to;
}

template <class Output, class Lines>
bool FastCommentStripper::feed(std::span<const char> chunk, Output& out, Lines& lines) {
  static_assert(ordinaryRunsSettle(kTables), "a run of ordinary bytes must settle in two steps");
  static_assert(writesAreContiguous(kTables), "a step's writes must be one span");
  if (chunk.empty()) return true;
  const char* const begin = chunk.data();
  const char* const end = begin + chunk.size();
  PendingOutput<Output> pending(out, begin, lastByte_);
  // The next byte to step; those before the next significant one are ordinary.
  const char* p = begin;

  // Steps the ordinary bytes [p, to), which act as the first two of them do.
  const auto stepOrdinary = [&](const char* to) {
    for (int i = 0; i < 2 && p != to; ++i) {
      const std::uint8_t entry = kTables.next[state_][kOther];
      if (entry & kWrites) pending.write(p - 1, i == 0 ? p : to - 1);
      state_ = entry & ~kWrites;
      p = i == 0 ? p + 1 : to;
    }
  };

  SignificantMasks masks[kMaskWindow / 64];
  for (const char* window = begin; window < end; window += kMaskWindow) {
    const char* const windowEnd = end - window < kMaskWindow ? end : window + kMaskWindow;
    kernels_.significantMasks(window, windowEnd, masks);
    for (std::size_t i = 0; window + 64 * i < windowEnd; ++i) {
      const char* const block = window + 64 * i;
      const int flags = flagsOf(state_);
      int calm = 0;  // the bytes stepped whole
      if (windowEnd - block >= 64 &&
          (flags == kNoFlags || flags == kInString || flags == kInBlockComment)) {
        stepOrdinary(block);
        calm = stepCalm(block, masks[i], pending, lines);
        p = block + calm;
        if (calm == 64) continue;
      }
      // The rest of the block, through the table.
      unsigned row = state_ * kRowSize;  // the state's row in the jump table
      for (std::uint64_t mask = masks[i].any() & (~std::uint64_t{0} << calm); mask != 0;
           mask &= mask - 1) {
        const char* const q = block + std::countr_zero(mask);
        const Kind kind = kTables.kind[static_cast<unsigned char>(*q)];
        const std::ptrdiff_t runLength = q - p < 2 ? q - p : 2;
        const std::uint16_t entry = kTables.jump[row + runLength * kInputKinds + kind];
        row = entry & kRowMask;
        if (entry & kWritesAny) {
          // One span: what is written of [p - 1, q) is contiguous.
          const char* const first = entry & kWritesBeforeRun ? p - 1
                                    : entry & kWritesRun     ? p
                                                             : q - 1;
          const char* const last = entry & kWritesLast ? q : entry & kWritesRun ? q - 1 : p;
          pending.write(first, last);
        }
        p = q + 1;
        if (kind == kindOf('\n') && !lines.count()) {
          pending.flush();
          state_ = static_cast<std::uint8_t>(row / kRowSize);
          lastByte_ = '\n';
          return false;
        }
      }
      state_ = static_cast<std::uint8_t>(row / kRowSize);
    }
  }
  stepOrdinary(end);
  pending.flush();
  lastByte_ = static_cast<unsigned char>(end[-1]);
  return true;
}

}  // namespace cstrip
