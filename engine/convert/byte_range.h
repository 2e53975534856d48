#pragma once

namespace cstrip {

// An inclusive range of byte values.
struct ByteRange {
  unsigned char first;
  unsigned char last;
  constexpr bool contains(unsigned char byte) const { return byte >= first && byte <= last; }
};

inline constexpr ByteRange kUpperCaseLetters = {'A', 'Z'};
inline constexpr ByteRange kLowerCaseLetters = {'a', 'z'};
// 'A' ^ kAsciiCaseBit == 'a', and back.
inline constexpr char kAsciiCaseBit = 0x20;

}  // namespace cstrip
