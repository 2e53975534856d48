#pragma once

#include "byte_range.h"

namespace cstrip {

// Shift-JIS (CP932) double-byte characters: a lead byte, then a trail byte.
// Every lead byte is also a valid trail byte, and ASCII letters are valid
// trail bytes: the katakana 'ア' is 0x83 0x41, whose second byte is 'A'.
inline constexpr ByteRange kLeadByteRanges[] = {{0x81, 0x9F}, {0xE0, 0xFC}};
inline constexpr ByteRange kTrailByteRanges[] = {{0x40, 0x7E}, {0x80, 0xFC}};

constexpr bool isLeadByte(unsigned char byte) {
  for (const ByteRange range : kLeadByteRanges) {
    if (range.contains(byte)) return true;
  }
  return false;
}

constexpr bool isTrailByte(unsigned char byte) {
  for (const ByteRange range : kTrailByteRanges) {
    if (range.contains(byte)) return true;
  }
  return false;
}

// The vector case conversion and the fast C comment stripping find trail
// bytes from runs of lead-range bytes alone, which is sound because of these.
static_assert([] {
  for (int byte = 0; byte < 256; ++byte) {
    if (isLeadByte(byte) && !isTrailByte(byte)) return false;
  }
  return isTrailByte('A') && isTrailByte('Z') && isTrailByte('a') && isTrailByte('z') &&
         !isTrailByte('\r') && !isTrailByte('\n');
}());

}  // namespace cstrip
