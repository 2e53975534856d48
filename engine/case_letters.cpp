#include "case_letters.h"

#include "shift_jis.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace cstrip {

bool convertLettersByteByByte(char* first, char* last, bool lower, bool afterLeadByte,
                              std::uint64_t* crMasks) {
  const unsigned char from = lower ? 'A' : 'a';
  for (char* p = first; p != last; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (crMasks != nullptr) {
      const auto offset = static_cast<std::size_t>(p - first);
      if (offset % 64 == 0) crMasks[offset / 64] = 0;
      crMasks[offset / 64] |= std::uint64_t{byte == '\r'} << (offset % 64);
    }
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

namespace {

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

// Both vector versions work on 64-byte blocks the same way: a block of
// ASCII converts its letters at once; a block with other bytes finds its
// trail bytes from the lead-range bit mask and converts only the letters
// that are not trail bytes.

#if defined(__x86_64__)

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

bool convertLettersSse2(char* first, char* last, bool lower, bool afterLeadByte,
                        std::uint64_t* crMasks) {
  const unsigned char from = lower ? 'A' : 'a';
  const __m128i caseBit = _mm_set1_epi8(0x20);
  const __m128i cr = _mm_set1_epi8('\r');
  for (; last - first >= 64; first += 64) {
    __m128i block[4];
    __m128i letters[4];
    std::uint64_t high = 0;
    std::uint64_t crs = 0;
    for (int i = 0; i < 4; ++i) {
      block[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 16 * i));
      letters[i] = inRange(block[i], from, from + 25);
      high |= bits(block[i]) << (16 * i);
      crs |= bits(_mm_cmpeq_epi8(block[i], cr)) << (16 * i);
    }
    if (crMasks != nullptr) *crMasks++ = crs;
    if (high != 0 || afterLeadByte) {
      std::uint64_t leadRange = 0;
      std::uint64_t letterBits = 0;
      for (int i = 0; i < 4; ++i) {
        const __m128i lead =
            _mm_or_si128(inRange(block[i], 0x81, 0x9F), inRange(block[i], 0xE0, 0xFC));
        leadRange |= bits(lead) << (16 * i);
        letterBits |= bits(letters[i]) << (16 * i);
      }
      const std::uint64_t leads = owningLeads(leadRange, afterLeadByte);
      letterBits &= ~(leads << 1 | std::uint64_t{afterLeadByte});  // trail bytes stay
      afterLeadByte = (leads >> 63) != 0;
      if (letterBits == 0) continue;
      for (int i = 0; i < 4; ++i) letters[i] = lanes(letterBits >> (16 * i));
    }
    for (int i = 0; i < 4; ++i) {
      const __m128i converted = _mm_xor_si128(block[i], _mm_and_si128(letters[i], caseBit));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(first + 16 * i), converted);
    }
  }
  return convertLettersByteByByte(first, last, lower, afterLeadByte, crMasks);
}

__attribute__((target("avx2"))) __m256i inRange256(__m256i bytes, unsigned char low,
                                                   unsigned char high) {
  const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(static_cast<char>(low)));
  const __m256i flipped = _mm256_xor_si256(offset, _mm256_set1_epi8(static_cast<char>(0x80)));
  return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>((high - low + 1) ^ 0x80)), flipped);
}

__attribute__((target("avx2"))) std::uint64_t bits256(__m256i lanes) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(lanes));
}

// The 32 bits of `mask` as 32 byte lanes of 0xFF or 0.
__attribute__((target("avx2"))) __m256i lanes256(std::uint64_t mask) {
  const __m256i spread =
      _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(mask & 0xFFFFFFFF)),
                          _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2,
                                           2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3));
  const __m256i bit = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128,
                                       1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  return _mm256_cmpeq_epi8(_mm256_and_si256(spread, bit), bit);
}

__attribute__((target("avx2"))) bool convertLettersAvx2(char* first, char* last, bool lower,
                                                        bool afterLeadByte,
                                                        std::uint64_t* crMasks) {
  const unsigned char from = lower ? 'A' : 'a';
  const __m256i caseBit = _mm256_set1_epi8(0x20);
  const __m256i cr = _mm256_set1_epi8('\r');
  for (; last - first >= 64; first += 64) {
    __m256i block[2];
    __m256i letters[2];
    std::uint64_t high = 0;
    std::uint64_t crs = 0;
    for (int i = 0; i < 2; ++i) {
      block[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + 32 * i));
      letters[i] = inRange256(block[i], from, from + 25);
      high |= bits256(block[i]) << (32 * i);
      crs |= bits256(_mm256_cmpeq_epi8(block[i], cr)) << (32 * i);
    }
    if (crMasks != nullptr) *crMasks++ = crs;
    if (high != 0 || afterLeadByte) {
      std::uint64_t leadRange = 0;
      std::uint64_t letterBits = 0;
      for (int i = 0; i < 2; ++i) {
        const __m256i lead =
            _mm256_or_si256(inRange256(block[i], 0x81, 0x9F), inRange256(block[i], 0xE0, 0xFC));
        leadRange |= bits256(lead) << (32 * i);
        letterBits |= bits256(letters[i]) << (32 * i);
      }
      const std::uint64_t leads = owningLeads(leadRange, afterLeadByte);
      letterBits &= ~(leads << 1 | std::uint64_t{afterLeadByte});  // trail bytes stay
      afterLeadByte = (leads >> 63) != 0;
      if (letterBits == 0) continue;
      for (int i = 0; i < 2; ++i) letters[i] = lanes256(letterBits >> (32 * i));
    }
    for (int i = 0; i < 2; ++i) {
      const __m256i converted = _mm256_xor_si256(block[i], _mm256_and_si256(letters[i], caseBit));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(first + 32 * i), converted);
    }
  }
  return convertLettersByteByByte(first, last, lower, afterLeadByte, crMasks);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
const ConvertLettersFunction kBest = kHasAvx2 ? convertLettersAvx2 : convertLettersSse2;
const ConvertLettersFunction kAll[] = {convertLettersByteByByte, convertLettersSse2,
                                       convertLettersAvx2};
const std::size_t kAvailable = kHasAvx2 ? 3 : 2;

#else

const ConvertLettersFunction kBest = convertLettersByteByByte;
const ConvertLettersFunction kAll[] = {convertLettersByteByByte};
const std::size_t kAvailable = 1;

#endif

}  // namespace

bool convertLetters(char* first, char* last, bool lower, bool afterLeadByte,
                    std::uint64_t* crMasks) {
  return kBest(first, last, lower, afterLeadByte, crMasks);
}

std::span<const ConvertLettersFunction> convertLettersImplementations() {
  return {kAll, kAvailable};
}

}  // namespace cstrip
