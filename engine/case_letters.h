#pragma once

namespace cstrip {

// Converts the ASCII letters of [first, last) in place, to lower case when
// `lower` is set and to upper case otherwise, leaving alone the trail byte
// of every Shift-JIS double-byte character and every other byte.
// `afterLeadByte` says whether the byte before `first` was a lead byte still
// waiting for its trail byte; the result says the same of the last byte, so
// a text may be converted in pieces split anywhere. Vectorised where the
// processor allows; the result is the same as convertLettersByteByByte().
//
// Line ends need no care: CR and LF are neither letters nor trail bytes, so
// they end a double-byte character just as a line end does.
bool convertLetters(char* first, char* last, bool lower, bool afterLeadByte);

// The plain byte-by-byte conversion, the reference for tests.
bool convertLettersByteByByte(char* first, char* last, bool lower, bool afterLeadByte);

}  // namespace cstrip
