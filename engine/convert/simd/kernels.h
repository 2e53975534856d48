#pragma once

// The byte kernels written once over Block64. Included by each vector
// translation unit inside its target region, after its Isa; the anonymous
// namespace keeps the copies apart.

#include <cstdint>

#include "block64.h"
#include "byte_kernels.h"
#include "byte_range.h"
#include "shift_jis.h"
#include "significant_bytes.h"

namespace cstrip {
namespace {

template <class Block>
void significantMasksKernel(const char* first, const char* last, SignificantMasks* masks) {
  for (; last - first >= 64; first += 64, ++masks) {
    const Block block = Block::load(first);
    for (std::size_t k = 0; k < std::size(kSignificantBytes); ++k) {
      masks->of[k] = (block == Block::splat(kSignificantBytes[k])).bits();
    }
    masks->lineFeeds = __builtin_popcountll(masks->of[significantIndex('\n')]);
  }
  significantMasksByteByByte(first, last, masks);
}

// Which bytes of a 64-byte block are lead bytes that own the next byte,
// given the bit mask of bytes in the lead range and whether the byte before
// the block was such a lead byte. Every lead-range byte is a valid trail, so
// in a run of them leads and trails alternate from the run's first byte,
// unless the byte before the run was a lead: then the run starts with a
// trail. A run's bits vanish when 1 is added at its first bit, which sorts
// runs by the parity of their start.
inline std::uint64_t owningLeads(std::uint64_t leadRange, bool afterLeadByte) {
  constexpr std::uint64_t kEven = 0x5555555555555555;
  std::uint64_t starts = leadRange & ~(leadRange << 1);
  if (afterLeadByte) starts &= ~std::uint64_t{1};
  const std::uint64_t oddStartRuns = (leadRange + (starts & kEven)) & leadRange;
  const std::uint64_t evenStartRuns = leadRange & ~oddStartRuns;
  return (evenStartRuns & kEven) | (oddStartRuns & ~kEven);
}

// A block of ASCII, or any block of UTF-8, converts its letters at once; a
// Shift-JIS block with other bytes finds its trail bytes from the lead-range
// bit mask and converts only the letters that are not trail bytes.
template <class Block>
bool convertLettersKernel(char* first, char* last, TextEncoding encoding, bool lower,
                          bool afterLeadByte, std::uint64_t* crMasks) {
  const ByteRange from = lower ? kUpperCaseLetters : kLowerCaseLetters;
  const bool shiftJis = encoding == TextEncoding::ShiftJis;
  for (; last - first >= 64; first += 64) {
    const Block block = Block::load(first);
    Block letters = block.inRange(from);
    if (crMasks != nullptr) *crMasks++ = (block == Block::splat('\r')).bits();
    if (shiftJis && (block.bits() != 0 || afterLeadByte)) {
      Block leadRange = block.inRange(kLeadByteRanges[0]);
      for (const ByteRange range : kLeadByteRanges) leadRange = leadRange | block.inRange(range);
      const std::uint64_t leads = owningLeads(leadRange.bits(), afterLeadByte);
      const std::uint64_t letterBits =
          letters.bits() & ~(leads << 1 | std::uint64_t{afterLeadByte});  // trail bytes stay
      afterLeadByte = (leads >> 63) != 0;
      if (letterBits == 0) continue;
      letters = Block::fromBits(letterBits);
    }
    (block ^ (letters & Block::splat(kAsciiCaseBit))).store(first);
  }
  return convertLettersByteByByte(first, last, encoding, lower, afterLeadByte, crMasks);
}

template <class Block>
const char* skipAsciiKernel(const char* first, const char* last) {
  for (; last - first >= 64; first += 64) {
    if (const std::uint64_t high = Block::load(first).bits(); high != 0) {
      return first + __builtin_ctzll(high);
    }
  }
  return skipAsciiByteByByte(first, last);
}

template <class Block>
void stopMasksKernel(const char* first, const char* last, const StopBytes& stops,
                     std::uint64_t* masks) {
  Block splats[sizeof stops.bytes];
  for (int k = 0; k < stops.count; ++k) splats[k] = Block::splat(stops.bytes[k]);
  for (; last - first >= 64; first += 64, masks += stops.count) {
    const Block block = Block::load(first);
    for (int k = 0; k < stops.count; ++k) masks[k] = (block == splats[k]).bits();
  }
  stopMasksByteByByte(first, last, stops, masks);
}

// UTF-8 from bit masks of a block's byte classes: each lead byte asks for
// one, two or three continuation bytes after it, and the block is valid
// when the bytes asked for are exactly its continuation bytes, no byte is
// one that never occurs (C0, C1, F5 to FF), and the four leads that limit
// their first continuation byte (E0, ED, F0, F4) are kept to it. What the
// block's last leads ask of the next block is carried over as bits. A
// block of ASCII with nothing carried over costs one test.
template <class Block>
bool checkUtf8Kernel(const char* first, const char* last, Utf8Progress& progress) {
  for (; progress.continuationBytes > 0; --progress.continuationBytes) {
    if (first == last) return true;
    if (!progress.next.contains(static_cast<unsigned char>(*first++))) return false;
    progress.next = kUtf8Continuation;
  }
  std::uint64_t asked = 0;        // continuation bytes asked for by the block before
  std::uint64_t limited[4] = {};  // first continuation bytes after E0, ED, F0 and F4
  for (; last - first >= 64; first += 64) {
    const Block block = Block::load(first);
    const std::uint64_t high = block.bits();
    if ((high | asked) == 0) continue;
    const std::uint64_t continuation = block.inRange(kUtf8Continuation).bits();
    const std::uint64_t leads = block.inRange({0xC2, 0xF4}).bits();
    const std::uint64_t leadsOf3Or4 = block.inRange({0xE0, 0xF4}).bits();
    const std::uint64_t leadsOf4 = block.inRange({0xF0, 0xF4}).bits();
    std::uint64_t wrong = (high & ~(continuation | leads)) |
                          (continuation ^ (asked | leads << 1 | leadsOf3Or4 << 2 | leadsOf4 << 3));
    asked = leads >> 63 | leadsOf3Or4 >> 62 | leadsOf4 >> 61;
    if ((leadsOf3Or4 | limited[0] | limited[1] | limited[2] | limited[3]) != 0) {
      constexpr unsigned char kLimitedLeads[] = {0xE0, 0xED, 0xF0, 0xF4};
      std::uint64_t after[4];
      for (int k = 0; k < 4; ++k) {
        const std::uint64_t at =
            (block == Block::splat(static_cast<char>(kLimitedLeads[k]))).bits();
        after[k] = at << 1 | limited[k];
        limited[k] = at >> 63;
      }
      const std::uint64_t below90 = block.inRange({0x80, 0x8F}).bits();
      const std::uint64_t belowA0 = block.inRange({0x80, 0x9F}).bits();
      wrong |= (after[0] & belowA0) | (after[1] & continuation & ~belowA0) | (after[2] & below90) |
               (after[3] & continuation & ~below90);
    }
    if (wrong != 0) return false;
  }
  if (asked != 0) {
    // A character goes on past the last block: it is checked again, whole,
    // from its lead byte, the last among the block's last three bytes.
    first -= 1;
    while (static_cast<unsigned char>(*first) < 0xC0) --first;
  }
  return checkUtf8ByteByByte(first, last, progress);
}

}  // namespace
}  // namespace cstrip
