#pragma once

#include <cstdint>
#include <span>

namespace cstrip {

// Converts the ASCII letters of [first, last) in place, to lower case when
// `lower` is set and to upper case otherwise, leaving alone the trail byte
// of every Shift-JIS double-byte character and every other byte.
// `afterLeadByte` says whether the byte before `first` was a lead byte still
// waiting for its trail byte; the result says the same of the last byte, so
// a text may be converted in pieces split anywhere.
//
// Where `crMasks` is given, it receives where the CRs are, 64 bytes to an
// entry: bit j of crMasks[i] is set where first[64 * i + j] is a CR. It
// must have room for (last - first + 63) / 64 entries.
//
// Line ends need no care: CR and LF are neither letters nor trail bytes, so
// they end a double-byte character just as a line end does. Vectorised with
// AVX2 or SSE2 where the processor has them; the result is the same as
// convertLettersByteByByte().
bool convertLetters(char* first, char* last, bool lower, bool afterLeadByte,
                    std::uint64_t* crMasks = nullptr);

// The plain byte-by-byte conversion, the reference for tests.
bool convertLettersByteByByte(char* first, char* last, bool lower, bool afterLeadByte,
                              std::uint64_t* crMasks = nullptr);

// Every conversion this build and processor can run, for tests to check
// each one whichever convertLetters() picks here.
using ConvertLettersFunction = bool (*)(char*, char*, bool, bool, std::uint64_t*);
std::span<const ConvertLettersFunction> convertLettersImplementations();

}  // namespace cstrip
