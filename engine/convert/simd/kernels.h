#pragma once

// The byte kernels written once over Block64. Included by each vector
// translation unit inside its target region, after its Isa; the anonymous
// namespace keeps the copies apart.

#include <array>
#include <cstdint>

#include "block64.h"
#include "byte_kernels.h"
#include "byte_range.h"
#include "shift_jis.h"
#include "strip_kernel.h"

namespace cstrip {
namespace {

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
// bit mask and converts only the letters that are not trail bytes. The
// owning leads are found both ways, after a lead byte and not, and one is
// chosen: what one block leaves the next is then a choice and a shift, not
// the whole arithmetic. Each encoding has a loop of its own, so that UTF-8's
// carries none of that.
template <class Block, bool kShiftJis>
bool convertLetterBlocks(char*& at, char* last, ByteRange from, bool afterLeadByte,
                         std::uint64_t*& masksAt) {
  // Local copies: stores through the block pointer could otherwise change
  // what the references point to, as far as the compiler knows.
  char* first = at;
  std::uint64_t* lineMasks = masksAt;
  for (; last - first >= 64; first += 64) {
    const Block block = Block::load(first);
    Block letters = block.inRange(from);
    if (lineMasks != nullptr) {
      const std::uint64_t crs = (block == Block::splat('\r')).bits();
      lineMasks[0] = crs;
      if (crs != 0) {
        lineMasks[1] = (block == Block::splat('\n')).bits();
        lineMasks[2] = static_cast<std::uint64_t>(__builtin_popcountll(crs));
      }
      lineMasks += 3;
    }
    if (kShiftJis && (block.bits() != 0 || afterLeadByte)) {
      Block leadRange = block.inRange(kLeadByteRanges[0]);
      for (const ByteRange range : kLeadByteRanges) leadRange = leadRange | block.inRange(range);
      const std::uint64_t leadBits = leadRange.bits();
      const std::uint64_t leadsAfterLead = owningLeads(leadBits, true);
      const std::uint64_t leadsNot = owningLeads(leadBits, false);
      const std::uint64_t leads = afterLeadByte ? leadsAfterLead : leadsNot;
      const std::uint64_t letterBits = letters.bits();
      const std::uint64_t convertedBits =
          letterBits & ~(leads << 1 | std::uint64_t{afterLeadByte});  // trail bytes stay
      afterLeadByte = (leads >> 63) != 0;
      if (convertedBits == 0) continue;
      if (convertedBits != letterBits) letters = Block::fromBits(convertedBits);
    }
    (block ^ (letters & Block::splat(kAsciiCaseBit))).store(first);
  }
  at = first;
  masksAt = lineMasks;
  return afterLeadByte;
}

template <class Block>
bool convertLettersKernel(char* first, char* last, TextEncoding encoding, bool lower,
                          bool afterLeadByte, std::uint64_t* lineMasks) {
  const ByteRange from = lower ? kUpperCaseLetters : kLowerCaseLetters;
  afterLeadByte =
      encoding == TextEncoding::ShiftJis
          ? convertLetterBlocks<Block, true>(first, last, from, afterLeadByte, lineMasks)
          : convertLetterBlocks<Block, false>(first, last, from, afterLeadByte, lineMasks);
  return convertLettersByteByByte(first, last, encoding, lower, afterLeadByte, lineMasks);
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

// Checks the continuation bytes that a character begun before `first`
// still needs, taking them off the front of [first, last) and off
// `progress`. Returns false when one is wrong.
inline bool checkCarriedBytes(const char*& first, const char* last, Utf8Progress& progress) {
  for (; progress.continuationBytes > 0 && first != last; --progress.continuationBytes) {
    if (!progress.next.contains(static_cast<unsigned char>(*first++))) return false;
    progress.next = kUtf8Continuation;
  }
  return true;
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
  if (!checkCarriedBytes(first, last, progress)) return false;
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
    constexpr unsigned char kLimitedLeads[] = {0xE0, 0xED, 0xF0, 0xF4};
    Block isLimited[4];
    for (int k = 0; k < 4; ++k)
      isLimited[k] = block == Block::splat(static_cast<char>(kLimitedLeads[k]));
    // Rare, so looked at closely only where there is one.
    if (((isLimited[0] | isLimited[1] | isLimited[2] | isLimited[3]).bits() | limited[0] |
         limited[1] | limited[2] | limited[3]) != 0) {
      std::uint64_t after[4];
      for (int k = 0; k < 4; ++k) {
        const std::uint64_t at = isLimited[k].bits();
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

// UTF-8 from table lookups, for an Isa that can look up bytes in a table
// of 16 by their low bits (see Keiser and Lemire, "Validating UTF-8 in
// less than one instruction per byte"). Each byte's error bits are the AND
// of three lookups: of the byte before by its high and by its low four
// bits, and of the byte by its high four bits. They flag a lead followed by
// a byte that is not a continuation byte, a continuation byte after ASCII,
// the overlong forms, surrogates and what lies above U+10FFFF, and two
// continuation bytes in a row, which must be the third or fourth byte of a
// character, as the bytes two and three before tell. A block of ASCII is
// taken at once.
//
// Isa has, besides Block64's: repeat16 (a table of 16 bytes, in each lane
// the Isa looks up in), lookup16, highNibbles, previous<n> (the vector one
// to three bytes back, across from the vector before) and
// subtractSaturated (unsigned).
template <class Isa>
bool checkUtf8LookupKernel(const char* first, const char* last, Utf8Progress& progress) {
  if (!checkCarriedBytes(first, last, progress)) return false;
  using Vector = typename Isa::Vector;
  // The error bits, each flagging a kind of wrong pair of bytes.
  constexpr int kTooShort = 1 << 0;                         // a lead, then no continuation byte
  constexpr int kTooLong = 1 << 1;                          // ASCII, then a continuation byte
  constexpr int kOverlong3 = 1 << 2;                        // E0 80..9F
  constexpr int kTooLarge = 1 << 3;                         // F4 90..BF, F5..FF 90..BF
  constexpr int kSurrogate = 1 << 4;                        // ED A0..BF
  constexpr int kOverlong2 = 1 << 5;                        // C0 or C1, then a continuation byte
  constexpr int kOverlong4 = 1 << 6;                        // F0 80..8F, and F5..FF 80..8F
  constexpr int kTwoConts = 1 << 7;                         // two continuation bytes in a row
  constexpr int kCarry = kTooShort | kTooLong | kTwoConts;  // whatever the low bits
  const auto table = [](auto byNibble) {
    std::array<char, 16> bytes{};
    for (int nibble = 0; nibble < 16; ++nibble) bytes[nibble] = static_cast<char>(byNibble(nibble));
    return bytes;
  };
  static constexpr auto kByHighOfFirst = table([](int high) -> int {
    if (high < 8) return kTooLong;                  // ASCII
    if (high < 12) return kTwoConts;                // a continuation byte
    if (high == 12) return kTooShort | kOverlong2;  // C0 to CF
    if (high == 13) return kTooShort;
    if (high == 14) return kTooShort | kOverlong3 | kSurrogate;
    return kTooShort | kTooLarge | kOverlong4;
  });
  static constexpr auto kByLowOfFirst = table([](int low) -> int {
    if (low == 0) return kCarry | kOverlong3 | kOverlong2 | kOverlong4;  // C0, E0, F0
    if (low == 1) return kCarry | kOverlong2;                            // C1
    if (low < 4) return kCarry;
    if (low == 4) return kCarry | kTooLarge;                                // F4
    return kCarry | kTooLarge | kOverlong4 | (low == 13 ? kSurrogate : 0);  // F5 to FF, ED
  });
  static constexpr auto kByHighOfSecond = table([](int high) -> int {
    constexpr int kContinuation = kTooLong | kOverlong2 | kTwoConts;
    if (high == 8) return kContinuation | kOverlong3 | kOverlong4;  // 80 to 8F
    if (high == 9) return kContinuation | kOverlong3 | kTooLarge;
    if (high == 10 || high == 11) return kContinuation | kSurrogate | kTooLarge;
    return kTooShort;
  });
  const Vector byHighOfFirst = Isa::repeat16(kByHighOfFirst.data());
  const Vector byLowOfFirst = Isa::repeat16(kByLowOfFirst.data());
  const Vector byHighOfSecond = Isa::repeat16(kByHighOfSecond.data());
  const Vector lowBits = Isa::splat(0x0F);
  // Bytes from E0 or from F0, two or three before: a third or fourth byte.
  const Vector belowThird = Isa::splat(static_cast<char>(0xE0 - 0x80));
  const Vector belowFourth = Isa::splat(static_cast<char>(0xF0 - 0x80));
  const Vector top = Isa::splat(static_cast<char>(kTwoConts));

  const Vector zero = Isa::splat(0);
  Vector before = zero;  // the vector before, ASCII as far as it matters
  Vector errors = zero;
  bool cutOff = false;  // the block before ends inside a character
  for (; last - first >= 64; first += 64) {
    Vector bytes[64 / Isa::kBytes];
    Vector any = zero;
    for (int i = 0; i < 64 / Isa::kBytes; ++i) {
      bytes[i] = Isa::load(first + i * Isa::kBytes);
      any = Isa::bitOr(any, bytes[i]);
    }
    if (Isa::topBits(any) == 0) {
      if (cutOff) return false;
      before = zero;
      continue;
    }
    for (const Vector& now : bytes) {
      const Vector one = Isa::template previous<1>(now, before);
      const Vector special =
          Isa::bitAnd(Isa::bitAnd(Isa::lookup16(byHighOfFirst, Isa::highNibbles(one)),
                                  Isa::lookup16(byLowOfFirst, Isa::bitAnd(one, lowBits))),
                      Isa::lookup16(byHighOfSecond, Isa::highNibbles(now)));
      const Vector thirdOrFourth =
          Isa::bitOr(Isa::subtractSaturated(Isa::template previous<2>(now, before), belowThird),
                     Isa::subtractSaturated(Isa::template previous<3>(now, before), belowFourth));
      errors = Isa::bitOr(errors, Isa::bitXor(Isa::bitAnd(thirdOrFourth, top), special));
      before = now;
    }
    const auto at = [&](int back) { return static_cast<unsigned char>(first[64 - back]); };
    cutOff = at(1) >= 0xC0 || at(2) >= 0xE0 || at(3) >= 0xF0;
  }
  if (Isa::topBits(Isa::equal(errors, zero)) != ~std::uint64_t{0} >> (64 - Isa::kBytes))
    return false;
  if (cutOff) {
    // The character going on past the last block is checked again, whole,
    // from its lead byte.
    const auto at = [&](int back) { return static_cast<unsigned char>(first[-back]); };
    first -= at(1) >= 0xC0 ? 1 : at(2) >= 0xE0 ? 2 : 3;
  }
  return checkUtf8ByteByByte(first, last, progress);
}

}  // namespace
}  // namespace cstrip
