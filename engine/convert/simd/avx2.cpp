// The byte kernels over AVX2 (with the carry-less multiply, which every
// processor with AVX2 has): a block is two 32-byte vectors. Everything from
// the Isa to the kernels is compiled for AVX2 inside the target region, and
// runs only where the processor has it.

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstdint>

// Every header the kernels use comes before the region: their inline
// functions, used elsewhere too, must not be compiled for AVX2 here.
#include "byte_range.h"
#include "shift_jis.h"
#include "x86_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,pclmul,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,pclmul,popcnt")
#endif

namespace cstrip {
namespace {

struct Avx2 {
  using Vector = __m256i;
  static constexpr int kBytes = 32;

  static Vector load(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const Vector*>(at));
  }
  static void store(char* at, Vector v) { _mm256_storeu_si256(reinterpret_cast<Vector*>(at), v); }
  static Vector splat(char byte) { return _mm256_set1_epi8(byte); }
  static Vector equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
  static Vector greater(Vector a, Vector b) { return _mm256_cmpgt_epi8(a, b); }
  static Vector subtract(Vector a, Vector b) { return _mm256_sub_epi8(a, b); }
  static Vector bitOr(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  static Vector bitAnd(Vector a, Vector b) { return _mm256_and_si256(a, b); }
  static Vector bitXor(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
  static std::uint32_t topBits(Vector v) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
  }
  static Vector repeat16(const char* table) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
  }
  static Vector lookup16(Vector table, Vector indices) {
    return _mm256_shuffle_epi8(table, indices);
  }
  static Vector highNibbles(Vector v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
  }
  template <int n>
  static Vector previous(Vector v, Vector before) {
    return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(before, v, 0x21), 16 - n);
  }
  static Vector subtractSaturated(Vector a, Vector b) { return _mm256_subs_epu8(a, b); }
  static Vector fromBits(std::uint64_t bits) {
    const Vector spread =
        _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(bits & 0xFFFFFFFF)),
                            _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2,
                                             2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3));
    const Vector bit = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128,
                                        1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    return _mm256_cmpeq_epi8(_mm256_and_si256(spread, bit), bit);
  }
  // A carry-less multiply by all ones.
  static std::uint64_t prefixXor(std::uint64_t bits) {
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_clmulepi64_si128(
        _mm_cvtsi64_si128(static_cast<long long>(bits)), _mm_set1_epi8(-1), 0)));
  }
};

}  // namespace
}  // namespace cstrip

#include "kernels.h"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace cstrip {

extern const ByteKernels kAvx2Kernels = {"AVX2",
                                         convertLettersKernel<Block64<Avx2>>,
                                         skipAsciiKernel<Block64<Avx2>>,
                                         stopMasksKernel<Block64<Avx2>>,
                                         stripBlocksKernel<Block64<Avx2>>,
                                         checkUtf8LookupKernel<Avx2>};

}  // namespace cstrip

#endif  // __x86_64__
