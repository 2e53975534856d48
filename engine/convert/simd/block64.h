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
// subtract, bitOr, bitAnd, bitXor, topBits (kBytes bits) and fromBits.
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
