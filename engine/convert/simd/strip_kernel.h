#pragma once

// The classic comment stripper over whole 64-byte blocks, written once over
// Block64. Included by kernels.h inside each vector unit's target region;
// the anonymous namespace keeps the copies apart.
//
// Step i of a block reads its byte i and decides byte i - 1 (byte -1 is the
// stripper's `cur`), so every mask below is indexed by step. What a step
// does turns on a few marks a block's bit masks give at once: `//`, `/*` and
// `*/` (a `/` or `*` at byte i - 1, a `/` or `*` at byte i), a quote, and
// a line break at byte i - 1 (which ends a line comment). Between the marks
// that matter in the current comment state nothing changes, so a short walk
// visits only those, and turns comment regions into toggle points. A
// block's kept bytes are then the complement of the prefix XOR of those
// points, less the line breaks whose kept predecessor is a line break; and
// they are packed at the output.
//
// The walk's modes are the stripper's flag combinations: code (in a string
// or not, from a prefix XOR of the quotes), line comment, block comment,
// and both. A mark is acted on in these modes only:
//   code:  `//` -> line, `/*` -> block (outside strings)
//   line:  break before -> code, `/*` -> both
//   block: `*/` -> code, `//` -> both
//   both:  break before -> block, `*/` -> line
// A mark of `/*` or `*/` consumes the bytes it is made of, so no mark ends
// at the step after it. A quote read at the step whose break ends a line
// comment opens nothing: the string's parity counts from the step after.

#include <cstdint>

#include "byte_kernels.h"
#include "comment_stripper.h"

namespace cstrip {
namespace {

// The walk's modes.
enum StripMode { kCode, kLine, kBlock, kBoth };

// A block's marks, by step.
struct StripMarks {
  std::uint64_t lineOpens;    // `//`
  std::uint64_t blockOpens;   // `/*`
  std::uint64_t blockCloses;  // `*/`
  std::uint64_t breakBefore;  // a line break read at the step before
  std::uint64_t quoteParity;  // bit i: an odd number of quotes read by step i
};

// Walks a block's marks from step 0 in `mode`, whose string state is
// `strings` (bit i: in a string after step i, while in code), and returns
// the toggle points of the steps that decide bytes inside comments; leaves
// mode and strings as after step 63, and says whether byte 63 is consumed.
inline std::uint64_t walkStripMarks(const StripMarks& marks, StripMode& mode,
                                    std::uint64_t& strings, bool& lastConsumed) {
  std::uint64_t toggles = 0;
  int from = 0;  // the first step whose marks count
  while (from < 64) {
    std::uint64_t next = 0;
    switch (mode) {
      case kCode:
        next = (marks.lineOpens | marks.blockOpens) & ~strings;
        break;
      case kLine:
        next = marks.breakBefore | marks.blockOpens;
        break;
      case kBlock:
        next = marks.blockCloses | marks.lineOpens;
        break;
      case kBoth:
        next = marks.breakBefore | marks.blockCloses;
        break;
    }
    next &= ~std::uint64_t{0} << from;
    if (next == 0) break;
    const int at = __builtin_ctzll(next);
    const std::uint64_t bit = std::uint64_t{1} << at;
    // After a consumed mark, its own bytes start nothing.
    const bool consumes = ((marks.blockOpens | marks.blockCloses) & bit) != 0;
    from = at + 1 + consumes;
    switch (mode) {
      case kCode:
        toggles ^= bit;
        mode = consumes ? kBlock : kLine;
        break;
      case kLine:
        if (consumes) {
          mode = kBoth;
        } else {
          toggles ^= bit;
          mode = kCode;
        }
        break;
      case kBlock:
        if (consumes) {
          // The `*/` is decided in this step and the next: neither writes.
          if (at < 62) toggles ^= bit << 2;
          mode = kCode;
        } else {
          mode = kBoth;
        }
        break;
      case kBoth:
        mode = consumes ? kLine : kBlock;
        break;
    }
    // Back in code, a string can open from the next step.
    if (mode == kCode) {
      strings = marks.quoteParity ^ -(marks.quoteParity >> at & 1);
    }
  }
  lastConsumed = from == 65;
  return toggles;
}

template <class Block>
StrippedBlocks stripBlocksKernel(const char* first, const char* last, std::uint64_t quietLineFeeds,
                                 CommentStripper& stripper, char* out) {
  constexpr std::uint64_t kAll = ~std::uint64_t{0};
  int cur = stripper.cur;  // byte -1, or kEmpty once consumed or before any
  // Whether byte -1 is one of these, as a bit (a consumed one counts as none).
  std::uint64_t slashBefore = cur == '/';
  std::uint64_t starBefore = cur == '*';
  std::uint64_t breakBefore = cur == '\r' || cur == '\n';
  std::uint64_t consumedBefore = cur == CommentStripper::kEmpty;
  StripMode mode = stripper.inLineComment    ? (stripper.inBlockComment ? kBoth : kLine)
                   : stripper.inBlockComment ? kBlock
                                             : kCode;
  bool inString = stripper.inString;
  bool afterBreak = stripper.breakRun > 0;  // whether the last byte kept is a break
  std::uint64_t lineFeeds = 0;
  for (; last - first >= 64; first += 64) {
    const Block block = Block::load(first);
    const Block lfBytes = block == Block::splat('\n');
    const auto blockLineFeeds = static_cast<std::uint64_t>(__builtin_popcountll(lfBytes.bits()));
    if (blockLineFeeds > quietLineFeeds - lineFeeds) break;
    lineFeeds += blockLineFeeds;
    const std::uint64_t slashes = (block == Block::splat('/')).bits();
    const std::uint64_t stars = (block == Block::splat('*')).bits();
    const std::uint64_t breaks = (lfBytes | (block == Block::splat('\r'))).bits();
    // Marks by step.
    const std::uint64_t afterSlash = slashes << 1 | slashBefore;
    const std::uint64_t afterStar = stars << 1 | starBefore;
    const std::uint64_t afterBreakByte = breaks << 1 | breakBefore;
    const int lastByte = static_cast<unsigned char>(first[63]);
    breakBefore = breaks >> 63;

    // Steps that decide bytes outside comments. Most blocks have no mark
    // that counts in their mode: all or nothing is kept.
    std::uint64_t kept = 0;
    std::uint64_t quoteParity = 0;
    std::uint64_t strings = 0;
    bool walk = true;
    if (mode == kCode) {
      quoteParity = Block::prefixXor((block == Block::splat('"')).bits());
      strings = quoteParity ^ -std::uint64_t{inString};
      walk = (afterSlash & (slashes | stars) & ~strings) != 0;
      kept = kAll;
    } else if (mode == kBlock) {
      walk = ((afterSlash | afterStar) & slashes) != 0;
    } else if (mode == kLine) {
      walk = (afterBreakByte | (afterSlash & stars)) != 0;
    }
    bool lastConsumed = false;
    if (walk) {
      if (mode != kCode) quoteParity = Block::prefixXor((block == Block::splat('"')).bits());
      const StripMarks marks{afterSlash & slashes, afterSlash & stars, afterStar & slashes,
                             afterBreakByte, quoteParity};
      const std::uint64_t toggles = walkStripMarks(marks, mode, strings, lastConsumed);
      kept ^= Block::prefixXor(toggles);
    } else if (mode != kCode) {
      // Nothing is kept, and the break run goes on.
      cur = lastByte;
      slashBefore = slashes >> 63;
      starBefore = stars >> 63;
      consumedBefore = 0;
      continue;
    }
    kept &= ~consumedBefore;

    // A kept break is left out when the last kept byte before it is a
    // break: runs of what is not kept after a kept break are filled by
    // adding their first bit; a run at the block's start follows the carry.
    const std::uint64_t keptBreaks = kept & afterBreakByte;
    const std::uint64_t gaps = ~kept;
    const std::uint64_t afterKeptBreak =
        keptBreaks | (((gaps + (keptBreaks << 1 & gaps)) ^ gaps) & gaps);
    const std::uint64_t written =
        kept & ~(keptBreaks & (afterKeptBreak << 1 | (kept & -kept & -std::uint64_t{afterBreak})));
    afterBreak = kept == 0 ? afterBreak : (afterKeptBreak >> 63) != 0;

    *out = static_cast<char>(cur);
    out += written & 1;
    // Bytes 0 to 62, and byte 63 as scratch past them.
    out = block.compress(out, written >> 1 | std::uint64_t{1} << 63,
                         last - first >= 128 ? first + 64 : nullptr) -
          1;
    inString = mode == kCode && (strings >> 63) != 0;
    cur = lastByte;
    consumedBefore = lastConsumed;
    slashBefore = slashes >> 63 & ~consumedBefore;
    starBefore = stars >> 63 & ~consumedBefore;
  }
  stripper.prev = CommentStripper::kEmpty;  // the next step replaces it first
  stripper.cur = consumedBefore != 0 ? CommentStripper::kEmpty : cur;
  stripper.inString = inString;
  stripper.inLineComment = mode == kLine || mode == kBoth;
  stripper.inBlockComment = mode == kBlock || mode == kBoth;
  stripper.breakRun = afterBreak ? 1 : 0;
  return {first, out, lineFeeds};
}

}  // namespace
}  // namespace cstrip
