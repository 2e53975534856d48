#include "significant_bytes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace cstrip {

void significantMasksByteByByte(const char* first, const char* last, std::uint64_t* masks) {
  for (std::size_t i = 0; first + 64 * i < last; ++i) {
    const char* const block = first + 64 * i;
    std::uint64_t mask = 0;
    for (int j = 0; j < 64 && block + j < last; ++j) {
      mask |= std::uint64_t{isSignificant(static_cast<unsigned char>(block[j]))} << j;
    }
    masks[i] = mask;
  }
}

#if defined(__x86_64__)

namespace {

__attribute__((target("avx2"))) std::uint64_t significantBitsAvx2(const char* at) {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i found = _mm256_or_si256(
      _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('"')),
                      _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('*'))),
      _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('/')),
                                      _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r'))),
                      _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n'))));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(found));
}

__attribute__((target("avx2"))) void significantMasksAvx2(const char* first, const char* last,
                                                          std::uint64_t* masks) {
  for (; last - first >= 64; first += 64) {
    *masks++ = significantBitsAvx2(first) | significantBitsAvx2(first + 32) << 32;
  }
  significantMasksByteByByte(first, last, masks);
}

void significantMasksSse2(const char* first, const char* last, std::uint64_t* masks) {
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i star = _mm_set1_epi8('*');
  const __m128i slash = _mm_set1_epi8('/');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  auto hits = [&](const char* at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i found = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, star)),
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, slash), _mm_cmpeq_epi8(bytes, cr)),
                     _mm_cmpeq_epi8(bytes, lf)));
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(found))};
  };
  for (; last - first >= 64; first += 64) {
    *masks++ =
        hits(first) | hits(first + 16) << 16 | hits(first + 32) << 32 | hits(first + 48) << 48;
  }
  significantMasksByteByByte(first, last, masks);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
const SignificantMasksFunction kBestMasks = kHasAvx2 ? significantMasksAvx2 : significantMasksSse2;
const SignificantMasksFunction kAll[] = {significantMasksByteByByte, significantMasksSse2,
                                         significantMasksAvx2};

}  // namespace

void significantMasks(const char* first, const char* last, std::uint64_t* masks) {
  kBestMasks(first, last, masks);
}

std::span<const SignificantMasksFunction> significantMasksImplementations() {
  return {kAll, kHasAvx2 ? 3u : 2u};
}

#else

void significantMasks(const char* first, const char* last, std::uint64_t* masks) {
  significantMasksByteByByte(first, last, masks);
}

std::span<const SignificantMasksFunction> significantMasksImplementations() {
  static const SignificantMasksFunction kAll[] = {significantMasksByteByByte};
  return kAll;
}

#endif

}  // namespace cstrip
