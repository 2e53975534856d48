// The byte kernels over SSE2, which every x86-64 processor has: a block is
// four 16-byte vectors.

#if defined(__x86_64__)

#include <emmintrin.h>

#include <cstdint>

#include "x86_kernels.h"

namespace cstrip {
namespace {

struct Sse2 {
  using Vector = __m128i;
  static constexpr int kBytes = 16;

  static Vector load(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const Vector*>(at));
  }
  static void store(char* at, Vector v) { _mm_storeu_si128(reinterpret_cast<Vector*>(at), v); }
  static Vector splat(char byte) { return _mm_set1_epi8(byte); }
  static Vector equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
  static Vector greater(Vector a, Vector b) { return _mm_cmpgt_epi8(a, b); }
  static Vector subtract(Vector a, Vector b) { return _mm_sub_epi8(a, b); }
  static Vector bitOr(Vector a, Vector b) { return _mm_or_si128(a, b); }
  static Vector bitAnd(Vector a, Vector b) { return _mm_and_si128(a, b); }
  static Vector bitXor(Vector a, Vector b) { return _mm_xor_si128(a, b); }
  static std::uint16_t topBits(Vector v) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(v));
  }
  static Vector fromBits(std::uint64_t bits) {
    const Vector spread = _mm_unpacklo_epi64(_mm_set1_epi8(static_cast<char>(bits & 0xFF)),
                                             _mm_set1_epi8(static_cast<char>((bits >> 8) & 0xFF)));
    const Vector bit = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    return _mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit);
  }
};

}  // namespace
}  // namespace cstrip

#include "kernels.h"

namespace cstrip {

extern const ByteKernels kSse2Kernels = {"SSE2",
                                         convertLettersKernel<Block64<Sse2>>,
                                         skipAsciiKernel<Block64<Sse2>>,
                                         stopMasksKernel<Block64<Sse2>>,
                                         stripBlocksKernel<Block64<Sse2>>,
                                         checkUtf8Kernel<Block64<Sse2>>};

}  // namespace cstrip

#endif  // __x86_64__
