#pragma once

namespace cstrip {

// The five bytes the comment stripper examines: double quote, `*`, `/`, CR
// and LF. Every other byte is copied or skipped unexamined. All are below
// 0x40, so none is ever part of a Shift-JIS double-byte character, and all
// are ASCII, so none is ever part of a UTF-8 multi-byte character.
inline constexpr char kSignificantBytes[] = {'"', '*', '/', '\r', '\n'};

// The place of the significant byte `byte` in kSignificantBytes.
constexpr int significantIndex(char byte) {
  int index = 0;
  while (kSignificantBytes[index] != byte) ++index;
  return index;
}

}  // namespace cstrip
