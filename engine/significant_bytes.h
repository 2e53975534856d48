#pragma once

namespace cstrip {

// The five bytes the comment stripper examines: double quote, `*`, `/`, CR
// and LF. Every other byte is copied or skipped unexamined. All are below
// 0x40, so none is ever part of a Shift-JIS double-byte character, and all
// are ASCII, so none is ever part of a UTF-8 multi-byte character.
inline constexpr char kSignificantBytes[] = {'"', '*', '/', '\r', '\n'};

}  // namespace cstrip
