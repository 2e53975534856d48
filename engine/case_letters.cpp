#include "case_letters.h"

#include <cstdint>

#include "shift_jis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cstrip {

bool convertLettersByteByByte(char* first, char* last, bool lower, bool afterLeadByte) {
  const unsigned char from = lower ? 'A' : 'a';
  for (char* p = first; p != last; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (afterLeadByte) {
      afterLeadByte = false;
      if (isTrailByte(byte)) continue;
    }
    if (isLeadByte(byte)) {
      afterLeadByte = true;
    } else if (byte >= from && byte < from + 26) {
      *p = static_cast<char>(byte ^ 0x20);  // 'A' ^ 0x20 == 'a', and back
    }
  }
  return afterLeadByte;
}

#if defined(__SSE2__)

namespace {

// Byte lanes of `bytes` in [low, high], as 0xFF, unsigned.
__m128i inRange(__m128i bytes, unsigned char low, unsigned char high) {
  const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(low)));
  const __m128i flipped = _mm_xor_si128(offset, _mm_set1_epi8(static_cast<char>(0x80)));
  return _mm_cmplt_epi8(flipped, _mm_set1_epi8(static_cast<char>((high - low + 1) ^ 0x80)));
}

std::uint64_t bits(__m128i lanes) {
  return static_cast<std::uint16_t>(_mm_movemask_epi8(lanes));
}

// The 16 bits of `mask` as 16 byte lanes of 0xFF or 0.
__m128i lanes(std::uint64_t mask) {
  const __m128i spread = _mm_unpacklo_epi64(_mm_set1_epi8(static_cast<char>(mask & 0xFF)),
                                            _mm_set1_epi8(static_cast<char>((mask >> 8) & 0xFF)));
  const __m128i bit = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  return _mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit);
}

// Which bytes of a 64-byte block are lead bytes that own the next byte,
// given the bit mask of bytes in the lead range and whether the byte before
// the block was such a lead byte. Every lead-range byte is a valid trail, so
// in a run of them leads and trails alternate from the run's first byte,
// unless the byte before the run was a lead: then the run starts with a
// trail. A run's bits vanish when 1 is added at its first bit, which sorts
// runs by the parity of their start.
std::uint64_t owningLeads(std::uint64_t leadRange, bool afterLeadByte) {
  constexpr std::uint64_t kEven = 0x5555555555555555;
  std::uint64_t starts = leadRange & ~(leadRange << 1);
  if (afterLeadByte) starts &= ~std::uint64_t{1};
  const std::uint64_t oddStartRuns = (leadRange + (starts & kEven)) & leadRange;
  const std::uint64_t evenStartRuns = leadRange & ~oddStartRuns;
  return (evenStartRuns & kEven) | (oddStartRuns & ~kEven);
}

}  // namespace

bool convertLetters(char* first, char* last, bool lower, bool afterLeadByte) {
  const unsigned char from = lower ? 'A' : 'a';
  const __m128i caseBit = _mm_set1_epi8(0x20);
  for (; last - first >= 64; first += 64) {
    __m128i block[4];
    __m128i letters[4];
    std::uint64_t high = 0;
    for (int i = 0; i < 4; ++i) {
      block[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 16 * i));
      letters[i] = inRange(block[i], from, from + 25);
      high |= bits(block[i]) << (16 * i);
    }
    if (high != 0 || afterLeadByte) {
      // Double-byte characters: keep letters that are trail bytes.
      std::uint64_t leadRange = 0;
      std::uint64_t letterBits = 0;
      for (int i = 0; i < 4; ++i) {
        const __m128i lead =
            _mm_or_si128(inRange(block[i], 0x81, 0x9F), inRange(block[i], 0xE0, 0xFC));
        leadRange |= bits(lead) << (16 * i);
        letterBits |= bits(letters[i]) << (16 * i);
      }
      const std::uint64_t leads = owningLeads(leadRange, afterLeadByte);
      const std::uint64_t trails = leads << 1 | std::uint64_t{afterLeadByte};
      afterLeadByte = (leads >> 63) != 0;
      letterBits &= ~trails;
      if (letterBits == 0) continue;
      for (int i = 0; i < 4; ++i) letters[i] = lanes(letterBits >> (16 * i));
    }
    for (int i = 0; i < 4; ++i) {
      const __m128i converted = _mm_xor_si128(block[i], _mm_and_si128(letters[i], caseBit));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(first + 16 * i), converted);
    }
  }
  return convertLettersByteByByte(first, last, lower, afterLeadByte);
}

#else

bool convertLetters(char* first, char* last, bool lower, bool afterLeadByte) {
  return convertLettersByteByByte(first, last, lower, afterLeadByte);
}

#endif

}  // namespace cstrip
