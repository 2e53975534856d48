#pragma once

#include "byte_range.h"

namespace cstrip {

// How the case run and the C comment stripping read a file's bytes.
// Shift-JIS pairs a lead byte with the trail byte after it, which may look
// like an ASCII letter or a backslash; UTF-8 never has an ASCII byte inside
// a multi-byte character, so every ASCII byte is itself.
enum class TextEncoding { ShiftJis, Utf8 };

// The first byte of a UTF-8 multi-byte character, strictly: no overlong
// forms, no surrogates, nothing above U+10FFFF. It is followed by
// `continuationBytes` bytes of 0x80 to 0xBF, the first of which must lie in
// `firstContinuation`.
struct Utf8Lead {
  ByteRange lead;
  int continuationBytes;
  ByteRange firstContinuation;
};

inline constexpr ByteRange kUtf8Continuation = {0x80, 0xBF};

inline constexpr Utf8Lead kUtf8Leads[] = {
    {{0xC2, 0xDF}, 1, kUtf8Continuation},
    {{0xE0, 0xE0}, 2, {0xA0, 0xBF}},  // no overlong forms
    {{0xE1, 0xEC}, 2, kUtf8Continuation},
    {{0xED, 0xED}, 2, {0x80, 0x9F}},  // no surrogates
    {{0xEE, 0xEF}, 2, kUtf8Continuation},
    {{0xF0, 0xF0}, 3, {0x90, 0xBF}},  // no overlong forms
    {{0xF1, 0xF3}, 3, kUtf8Continuation},
    {{0xF4, 0xF4}, 3, {0x80, 0x8F}},  // nothing above U+10FFFF
};

}  // namespace cstrip
