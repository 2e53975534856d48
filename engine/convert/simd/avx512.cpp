// The byte kernels over AVX-512 (F and BW): a block is one 64-byte vector.
// Everything from the Isa to the kernels is compiled for AVX-512 inside the
// target region, and runs only where the processor has it and the system
// saves its registers (runsAvx512Kernels).

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstdint>

// Every header the kernels use comes before the region: their inline
// functions, used elsewhere too, must not be compiled for AVX-512 here.
#include "byte_range.h"
#include "shift_jis.h"
#include "significant_bytes.h"
#include "x86_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,popcnt"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,popcnt")
#endif

namespace cstrip {
namespace {

// Comparisons give mask registers here; the Isa turns them into lanes of
// all ones, as Block64 expects, and back.
struct Avx512 {
  using Vector = __m512i;
  static constexpr int kBytes = 64;

  static Vector load(const char* at) { return _mm512_loadu_si512(at); }
  static void store(char* at, Vector v) { _mm512_storeu_si512(at, v); }
  static Vector splat(char byte) { return _mm512_set1_epi8(byte); }
  static Vector equal(Vector a, Vector b) { return _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a, b)); }
  static Vector greater(Vector a, Vector b) {
    return _mm512_movm_epi8(_mm512_cmpgt_epi8_mask(a, b));
  }
  static Vector subtract(Vector a, Vector b) { return _mm512_sub_epi8(a, b); }
  static Vector bitOr(Vector a, Vector b) { return _mm512_or_si512(a, b); }
  static Vector bitAnd(Vector a, Vector b) { return _mm512_and_si512(a, b); }
  static Vector bitXor(Vector a, Vector b) { return _mm512_xor_si512(a, b); }
  static std::uint64_t topBits(Vector v) { return _mm512_movepi8_mask(v); }
  static Vector fromBits(std::uint64_t bits) { return _mm512_movm_epi8(bits); }
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

extern const ByteKernels kAvx512Kernels = {
    "AVX-512", significantMasksKernel<Block64<Avx512>>, convertLettersKernel<Block64<Avx512>>,
    skipAsciiKernel<Block64<Avx512>>, stopMasksKernel<Block64<Avx512>>};

}  // namespace cstrip

#endif  // __x86_64__
