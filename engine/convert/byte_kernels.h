#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "comment_stripper.h"
#include "text_encoding.h"

namespace cstrip {

// Where a check of UTF-8 stands between two pieces of a text: how many
// continuation bytes the character begun last still needs, and the range
// the first of them must lie in (see kUtf8Leads).
struct Utf8Progress {
  int continuationBytes = 0;
  ByteRange next = kUtf8Continuation;
};

// Up to eight byte values a scan stops at.
struct StopBytes {
  char bytes[8];
  int count;
};

// How far stripBlocks went: the first byte it left unread, the end of what
// it wrote, and how many LFs it read.
struct StrippedBlocks {
  const char* read;
  char* written;
  std::uint64_t lineFeeds;
};

// The loops over raw bytes where the fast runs spend their time, each
// written once byte by byte and once over 64-byte vector blocks.
struct ByteKernels {
  const char* name;

  // Converts the ASCII letters of [first, last) in place, to lower case
  // when `lower` is set and to upper case otherwise, leaving every other
  // byte alone, and in Shift-JIS the trail byte of every double-byte
  // character too. `afterLeadByte` says whether the byte before `first` was
  // a lead byte still waiting for its trail byte; the result says the same
  // of the last byte, so a text may be converted in pieces split anywhere.
  // CR and LF are neither letters nor trail bytes, so line ends need no
  // care. Where `lineMasks` is given, it gets three words for each block of
  // 64 bytes from `first` (a last, partial block has its missing bytes
  // clear): bit j of lineMasks[3 * i] is set where first[64 * i + j] is a
  // CR; and where the block has a CR, bit j of lineMasks[3 * i + 1] is set
  // where that byte is an LF, and lineMasks[3 * i + 2] is the number of CRs
  // (else those two may hold anything). It has room for
  // 3 * ((last - first + 63) / 64).
  bool (*convertLetters)(char* first, char* last, TextEncoding encoding, bool lower,
                         bool afterLeadByte, std::uint64_t* lineMasks);

  // The first byte of [first, last) that is not ASCII, or `last`.
  const char* (*skipAscii)(const char* first, const char* last);

  // Classifies [first, last) 64 bytes at a time for the bytes of `stops`
  // (a last, partial block has its missing bytes clear):
  // masks[stops.count * i + k] has bit j set where first[64 * i + j] is
  // stops.bytes[k]. `masks` has room for
  // stops.count * ((last - first + 63) / 64).
  void (*stopMasks)(const char* first, const char* last, const StopBytes& stops,
                    std::uint64_t* masks);

  // Steps `stripper` through the whole 64-byte blocks of [first, last), as
  // CommentStripper::step() does byte by byte, and writes the bytes the
  // steps return at `out`. Stops before a block whose LFs would make more
  // than `quietLineFeeds` in all. `out` has room for (last - first) + 64
  // bytes: the bytes past what the result says was written are scratch.
  StrippedBlocks (*stripBlocks)(const char* first, const char* last, std::uint64_t quietLineFeeds,
                                CommentStripper& stripper, char* out);
  // Checks that [first, last) goes on from `progress` as valid UTF-8,
  // strictly (see kUtf8Leads), and updates `progress` to where it stands
  // after `last`. Returns false when the text is invalid by `last`; then
  // `progress` means nothing.
  bool (*checkUtf8)(const char* first, const char* last, Utf8Progress& progress);
};

// How many bytes the fast runs classify per call, so that the masks fit a
// small array.
inline constexpr std::ptrdiff_t kMaskWindow = 64 * 64;

// Every version this processor can run: the byte-by-byte one first, the
// fastest last. All give the same results.
std::span<const ByteKernels> availableByteKernels();

// The fastest of them, chosen once; or the one the environment variable
// CSTRIP_KERNELS names by its key, where this processor can run it, so
// that each can be timed.
const ByteKernels& fastestByteKernels();

// A version's name in lower case without spaces or dashes: "bytebybyte",
// "sse2", "avx2", "avx512".
std::string byteKernelsKey(std::string_view name);

// The byte-by-byte versions, which the vector ones use for the bytes after
// their last whole block.
bool convertLettersByteByByte(char* first, char* last, TextEncoding encoding, bool lower,
                              bool afterLeadByte, std::uint64_t* lineMasks);
const char* skipAsciiByteByByte(const char* first, const char* last);
void stopMasksByteByByte(const char* first, const char* last, const StopBytes& stops,
                         std::uint64_t* masks);
StrippedBlocks stripBlocksByteByByte(const char* first, const char* last,
                                     std::uint64_t quietLineFeeds, CommentStripper& stripper,
                                     char* out);
bool checkUtf8ByteByByte(const char* first, const char* last, Utf8Progress& progress);

}  // namespace cstrip
