// The byte kernels over AVX-512 (F, BW and VBMI2, with the carry-less
// multiply): a block is one 64-byte vector,
// with the mask register a comparison gives; UTF-8 is checked by table
// lookups, as on AVX2. Everything from the block type
// to the kernels is compiled for AVX-512 inside the target region, and runs
// only where the processor has it and the system saves its registers
// (runsAvx512Kernels). BMI too, which every processor with AVX-512 has:
// without its andn, GCC does the kernels' scalar bit arithmetic in the mask
// registers (kandn), and moving values there and back costs a fifth of the
// Shift-JIS case conversion.

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstdint>

// Every header the kernels use comes before the region: their inline
// functions, used elsewhere too, must not be compiled for AVX-512 here.
#include "byte_range.h"
#include "shift_jis.h"
#include "x86_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(                                                  \
    __attribute__((target("avx512f,avx512bw,avx512vbmi2,pclmul,bmi,popcnt"))), \
    apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vbmi2,pclmul,bmi,popcnt")
#endif

namespace cstrip {
namespace {

// A 64-byte block as Block64 offers it, over one vector. AVX-512 compares
// into a mask register, bit j for byte j, so a block keeps both its bytes
// and their top bits: a comparison makes the mask, a load the bytes, and
// every operation keeps the two true to each other. Everything is inlined
// into the kernels, where the compiler drops whichever form goes unused, so
// a comparison's mask goes straight to bits().
class Block512 {
 public:
  Block512() = default;

  static Block512 load(const char* at) { return fromBytes(_mm512_loadu_si512(at)); }
  void store(char* at) const { _mm512_storeu_si512(at, bytes_); }
  static Block512 splat(char byte) { return fromBytes(_mm512_set1_epi8(byte)); }
  static Block512 fromBits(std::uint64_t bits) { return fromMask(bits); }
  std::uint64_t bits() const { return topBits_; }

  Block512 operator==(const Block512& other) const {
    return fromMask(_mm512_cmpeq_epi8_mask(bytes_, other.bytes_));
  }
  Block512 operator|(const Block512& other) const {
    return {_mm512_or_si512(bytes_, other.bytes_), topBits_ | other.topBits_};
  }
  Block512 operator&(const Block512& other) const {
    return {_mm512_and_si512(bytes_, other.bytes_), topBits_ & other.topBits_};
  }
  Block512 operator^(const Block512& other) const {
    return {_mm512_xor_si512(bytes_, other.bytes_), topBits_ ^ other.topBits_};
  }

  // Bit j set where bits 0 to j of `bits` hold an odd number of ones: a
  // carry-less multiply by all ones.
  static std::uint64_t prefixXor(std::uint64_t bits) {
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_clmulepi64_si128(
        _mm_cvtsi64_si128(static_cast<long long>(bits)), _mm_set1_epi8(-1), 0)));
  }

  // Writes the bytes whose bit is set in `keep`, in order, at `to`, and
  // returns their end; writes scratch up to 64 bytes past it.
  char* compress(char* to, std::uint64_t keep, const char* /*next*/) const {
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi8(keep, bytes_));
    return to + __builtin_popcountll(keep);
  }

  // All ones where the byte lies in `range`: the bytes are moved so that the
  // range starts at 0, then compared unsigned.
  Block512 inRange(ByteRange range) const {
    const __m512i moved = _mm512_sub_epi8(bytes_, _mm512_set1_epi8(static_cast<char>(range.first)));
    return fromMask(_mm512_cmple_epu8_mask(
        moved, _mm512_set1_epi8(static_cast<char>(range.last - range.first))));
  }

 private:
  Block512(__m512i bytes, std::uint64_t topBits) : bytes_(bytes), topBits_(topBits) {}
  static Block512 fromBytes(__m512i bytes) { return {bytes, _mm512_movepi8_mask(bytes)}; }
  static Block512 fromMask(std::uint64_t mask) { return {_mm512_movm_epi8(mask), mask}; }

  __m512i bytes_;
  std::uint64_t topBits_;
};

// One vector as the table-lookup UTF-8 check takes it (see
// checkUtf8LookupKernel): shuffles look up within each 16-byte lane, as on
// AVX2, and the vector one to three bytes back joins the last lane of the
// one before to the first three lanes of this one.
struct Avx512 {
  using Vector = __m512i;
  static constexpr int kBytes = 64;

  static Vector load(const char* at) { return _mm512_loadu_si512(at); }
  static Vector splat(char byte) { return _mm512_set1_epi8(byte); }
  static Vector equal(Vector a, Vector b) { return _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a, b)); }
  static Vector bitOr(Vector a, Vector b) { return _mm512_or_si512(a, b); }
  static Vector bitAnd(Vector a, Vector b) { return _mm512_and_si512(a, b); }
  static Vector bitXor(Vector a, Vector b) { return _mm512_xor_si512(a, b); }
  static std::uint64_t topBits(Vector v) { return _mm512_movepi8_mask(v); }
  static Vector repeat16(const char* table) {
    // The forms with a mask of all ones: GCC warns that the others read an
    // undefined vector.
    return _mm512_maskz_broadcast_i32x4(0xFFFF,
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
  }
  static Vector lookup16(Vector table, Vector indices) {
    return _mm512_shuffle_epi8(table, indices);
  }
  static Vector highNibbles(Vector v) {
    return _mm512_and_si512(_mm512_srli_epi16(v, 4), _mm512_set1_epi8(0x0F));
  }
  template <int n>
  static Vector previous(Vector v, Vector before) {
    return _mm512_alignr_epi8(v, _mm512_maskz_alignr_epi64(0xFF, v, before, 6), 16 - n);
  }
  static Vector subtractSaturated(Vector a, Vector b) { return _mm512_subs_epu8(a, b); }
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

extern const ByteKernels kAvx512Kernels = {"AVX-512",
                                           convertLettersKernel<Block512>,
                                           skipAsciiKernel<Block512>,
                                           stopMasksKernel<Block512>,
                                           stripBlocksKernel<Block512>,
                                           checkUtf8LookupKernel<Avx512>};

}  // namespace cstrip

#endif  // __x86_64__
