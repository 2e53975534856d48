#pragma once

// Included by each vector translation unit inside its target region, so that
// every function here is compiled for that unit's instruction set. The
// anonymous namespace keeps the copies apart.

#include <cstdint>

#include "shift_jis.h"

namespace cstrip {
namespace {

// 64 bytes as 64 / Isa::kBytes vectors. Comparisons give lanes of all ones
// or all zeros; bits() gathers their top bits, bit j for byte j.
//
// Isa has: Vector, kBytes, load, store, splat, equal, greater (signed),
// subtract, bitOr, bitAnd, bitXor, topBits (kBytes bits) and fromBits; and
// may have prefixXor(bits) and compressStore(at, vector, kBytes bits), which
// replace the portable ones below.
template <class Isa>
class Block64 {
 public:
  static constexpr int kVectors = 64 / Isa::kBytes;

  static Block64 load(const char* at) {
    Block64 block;
    for (int i = 0; i < kVectors; ++i) block.v_[i] = Isa::load(at + i * Isa::kBytes);
    return block;
  }
  void store(char* at) const {
    for (int i = 0; i < kVectors; ++i) Isa::store(at + i * Isa::kBytes, v_[i]);
  }
  static Block64 splat(char byte) {
    Block64 block;
    for (auto& vector : block.v_) vector = Isa::splat(byte);
    return block;
  }
  // All ones in byte j where bit j of `bits` is set.
  static Block64 fromBits(std::uint64_t bits) {
    Block64 block;
    for (int i = 0; i < kVectors; ++i) block.v_[i] = Isa::fromBits(bits >> (i * Isa::kBytes));
    return block;
  }
  std::uint64_t bits() const {
    std::uint64_t bits = 0;
    for (int i = 0; i < kVectors; ++i)
      bits |= std::uint64_t{Isa::topBits(v_[i])} << (i * Isa::kBytes);
    return bits;
  }

  // Bit j set where bits 0 to j of `bits` hold an odd number of ones.
  static std::uint64_t prefixXor(std::uint64_t bits) {
    if constexpr (requires { Isa::prefixXor(bits); }) {
      return Isa::prefixXor(bits);
    } else {
      for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
      return bits;
    }
  }

  // Writes the bytes whose bit is set in `keep`, in order, at `to`, and
  // returns their end. May write scratch up to 64 bytes past that end.
  // `next` is where this block's bytes continue in memory when 64 more can
  // be read there, or null.
  char* compress(char* to, std::uint64_t keep, const char* next) const {
    if (keep == ~std::uint64_t{0}) {
      store(to);
      return to + 64;
    }
    if constexpr (requires(Vector v) { Isa::compressStore(to, v, keep); }) {
      for (int i = 0; i < kVectors; ++i)
        to = Isa::compressStore(to, v_[i], keep >> (i * Isa::kBytes));
      return to;
    } else {
      // A run of kept bytes at a time, each copied as a whole block from
      // where it starts, in memory, or in a copy of this block doubled.
      char twice[128];
      const char* from = next != nullptr ? next - 64 : twice;
      if (next == nullptr && keep != 0) {
        store(twice);
        store(twice + 64);
      }
      while (keep != 0) {
        const int start = __builtin_ctzll(keep);
        load(from + start).store(to);
        to += __builtin_ctzll(~(keep >> start));
        keep &= keep + (keep & -keep);  // without its lowest run
      }
      return to;
    }
  }

  Block64 operator==(const Block64& other) const { return combine<Isa::equal>(other); }
  Block64 operator|(const Block64& other) const { return combine<Isa::bitOr>(other); }
  Block64 operator&(const Block64& other) const { return combine<Isa::bitAnd>(other); }
  Block64 operator^(const Block64& other) const { return combine<Isa::bitXor>(other); }

  // All ones where the byte lies in `range`: the bytes are moved so that the
  // range starts at -128, then compared as signed bytes.
  Block64 inRange(ByteRange range) const {
    const auto limit = static_cast<char>((range.last - range.first + 1) ^ 0x80);
    const auto shift = static_cast<char>(range.first ^ 0x80);
    Block64 block;
    for (int i = 0; i < kVectors; ++i) {
      const auto moved = Isa::subtract(v_[i], Isa::splat(shift));
      block.v_[i] = Isa::greater(Isa::splat(limit), moved);
    }
    return block;
  }

 private:
  using Vector = typename Isa::Vector;

  template <Vector (*operation)(Vector, Vector)>
  Block64 combine(const Block64& other) const {
    Block64 block;
    for (int i = 0; i < kVectors; ++i) block.v_[i] = operation(v_[i], other.v_[i]);
    return block;
  }

  Vector v_[kVectors];
};

}  // namespace
}  // namespace cstrip
