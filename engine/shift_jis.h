#pragma once

namespace cstrip {

// Shift-JIS (CP932) double-byte characters: a lead byte, then a trail byte.
// Every lead byte is also a valid trail byte, and ASCII letters are valid
// trail bytes: the katakana 'ア' is 0x83 0x41, whose second byte is 'A'.
constexpr bool isLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

constexpr bool isTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

}  // namespace cstrip
