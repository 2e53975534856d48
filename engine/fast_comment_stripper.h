#pragma once

#include <array>
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
// The state is kept between buffers, so where they split never matters.
class FastCommentStripper {
 public:
  // Finds the significant bytes with `kernels`: any version gives the same.
  explicit FastCommentStripper(const ByteKernels& kernels = fastestByteKernels())
      : kernels_(kernels) {}

  // Steps through every byte of `chunk`, writing to `out` (put(char) and
  // write(span)) and calling onLf() after each LF; returns false as soon as
  // onLf() does, leaving the rest of the chunk unstepped.
  template <class Output, class OnLf>
  bool feed(std::span<const char> chunk, Output& out, OnLf&& onLf);

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
  static_assert(kStates * kRowSize <= kRowMask);

  struct Tables {
    std::array<std::array<std::uint8_t, kInputKinds>, kStates> next{};  // state | kWrites
    std::array<std::uint16_t, kStates * kRowSize> jump{};
    std::array<std::uint8_t, 256> kind{};
  };
  static constexpr Kind kindOf(int value);
  static constexpr std::uint8_t encode(const CommentStripper& stripper);
  static constexpr CommentStripper decode(std::uint8_t state, unsigned char lastByte);
  static constexpr Tables makeTables();
  static constexpr bool ordinaryRunsSettle(const Tables& tables);

  static const Tables kTables;

  template <class Output>
  class PendingOutput;

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
  return static_cast<std::uint8_t>(kindOf(stripper.cur) +
                                   (kInputKinds + 1) * (flags + 5 * stripper.breakRun));
}

constexpr CommentStripper FastCommentStripper::decode(std::uint8_t state, unsigned char lastByte) {
  CommentStripper stripper;
  const int kind = state % (kInputKinds + 1);
  const int flags = state / (kInputKinds + 1) % 5;
  stripper.cur = kind == kEmptyKind ? CommentStripper::kEmpty : lastByte;
  stripper.inString = flags == 1;
  stripper.inLineComment = flags == 2 || flags == 4;
  stripper.inBlockComment = flags == 3 || flags == 4;
  stripper.breakRun = state / ((kInputKinds + 1) * 5);
  return stripper;
}

constexpr FastCommentStripper::Tables FastCommentStripper::makeTables() {
  // A byte of each kind that can be read.
  unsigned char example[kInputKinds] = {};
  for (int byte = 0; byte < 256; ++byte) example[kindOf(byte)] = static_cast<unsigned char>(byte);
  Tables tables;
  for (int byte = 0; byte < 256; ++byte) tables.kind[byte] = kindOf(byte);
  for (int state = 0; state < kStates; ++state) {
    const int curKind = state % (kInputKinds + 1);
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

template <class Output, class OnLf>
bool FastCommentStripper::feed(std::span<const char> chunk, Output& out, OnLf&& onLf) {
  static_assert(ordinaryRunsSettle(kTables), "a run of ordinary bytes must settle in two steps");
  if (chunk.empty()) return true;
  const char* const begin = chunk.data();
  const char* const end = begin + chunk.size();
  PendingOutput<Output> pending(out, begin, lastByte_);
  unsigned row = state_ * kRowSize;  // the state's row in the jump table
  const char* p = begin;             // the next byte to step

  constexpr Kind kLf = kindOf('\n');
  std::uint64_t masks[kMaskWindow / 64];
  for (const char* window = begin; window < end; window += kMaskWindow) {
    const char* const windowEnd = end - window < kMaskWindow ? end : window + kMaskWindow;
    kernels_.significantMasks(window, windowEnd, masks);
    for (std::size_t i = 0; window + 64 * i < windowEnd; ++i) {
      const char* const block = window + 64 * i;
      for (std::uint64_t mask = masks[i]; mask != 0; mask &= mask - 1) {
        const char* const q = block + __builtin_ctzll(mask);
        const Kind kind = kTables.kind[static_cast<unsigned char>(*q)];
        const std::ptrdiff_t runLength = q - p < 2 ? q - p : 2;
        const std::uint16_t entry = kTables.jump[row + runLength * kInputKinds + kind];
        row = entry & kRowMask;
        if (entry & kWritesBeforeRun) pending.write(p - 1, p);
        if (entry & kWritesRun) pending.write(p, q - 1);
        if (entry & kWritesLast) pending.write(q - 1, q);
        p = q + 1;
        if (kind == kLf && !onLf()) {
          pending.flush();
          state_ = static_cast<std::uint8_t>(row / kRowSize);
          lastByte_ = '\n';
          return false;
        }
      }
    }
  }
  // The ordinary bytes after the chunk's last significant one.
  auto state = static_cast<std::uint8_t>(row / kRowSize);
  if (p != end) {
    std::uint8_t entry = kTables.next[state][kOther];
    if (entry & kWrites) pending.write(p - 1, p);
    state = entry & ~kWrites;
    if (end - p >= 2) {
      entry = kTables.next[state][kOther];
      if (entry & kWrites) pending.write(p, end - 1);
      state = entry & ~kWrites;
    }
  }
  pending.flush();
  state_ = state;
  lastByte_ = static_cast<unsigned char>(end[-1]);
  return true;
}

}  // namespace cstrip
