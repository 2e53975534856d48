#include "byte_kernels.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "byte_range.h"
#include "shift_jis.h"

#if defined(__x86_64__)
#include "simd/x86_kernels.h"
#endif

namespace cstrip {

bool convertLettersByteByByte(char* first, char* last, TextEncoding encoding, bool lower,
                              bool afterLeadByte, std::uint64_t* lineMasks) {
  const ByteRange from = lower ? kUpperCaseLetters : kLowerCaseLetters;
  const bool shiftJis = encoding == TextEncoding::ShiftJis;
  for (char* p = first; p != last; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (lineMasks != nullptr) {
      const auto offset = static_cast<std::size_t>(p - first);
      std::uint64_t* const masks = lineMasks + 3 * (offset / 64);
      if (offset % 64 == 0) masks[0] = masks[1] = masks[2] = 0;
      masks[0] |= std::uint64_t{byte == '\r'} << (offset % 64);
      masks[1] |= std::uint64_t{byte == '\n'} << (offset % 64);
      masks[2] += byte == '\r';
    }
    if (afterLeadByte) {
      afterLeadByte = false;
      if (isTrailByte(byte)) continue;
    }
    if (shiftJis && isLeadByte(byte)) {
      afterLeadByte = true;
    } else if (from.contains(byte)) {
      *p = static_cast<char>(byte ^ kAsciiCaseBit);
    }
  }
  return afterLeadByte;
}

const char* skipAsciiByteByByte(const char* first, const char* last) {
  while (first != last && static_cast<unsigned char>(*first) < 0x80) ++first;
  return first;
}

void stopMasksByteByByte(const char* first, const char* last, const StopBytes& stops,
                         std::uint64_t* masks) {
  for (std::size_t i = 0; first + 64 * i < last; ++i, masks += stops.count) {
    const char* const block = first + 64 * i;
    for (int k = 0; k < stops.count; ++k) {
      masks[k] = 0;
      for (int j = 0; j < 64 && block + j < last; ++j) {
        masks[k] |= std::uint64_t{block[j] == stops.bytes[k]} << j;
      }
    }
  }
}

StrippedBlocks stripBlocksByteByByte(const char* first, const char* last,
                                     std::uint64_t quietLineFeeds, CommentStripper& stripper,
                                     char* out) {
  std::uint64_t lineFeeds = 0;
  for (; last - first >= 64; first += 64) {
    const auto blockLineFeeds = static_cast<std::uint64_t>(std::count(first, first + 64, '\n'));
    if (blockLineFeeds > quietLineFeeds - lineFeeds) break;
    lineFeeds += blockLineFeeds;
    for (int j = 0; j < 64; ++j) {
      const int written = stripper.step(static_cast<unsigned char>(first[j]));
      if (written != CommentStripper::kEmpty) *out++ = static_cast<char>(written);
    }
  }
  return {first, out, lineFeeds};
}

std::span<const ByteKernels> availableByteKernels() {
  static const ByteKernels kByteByByte = {"byte by byte",        convertLettersByteByByte,
                                          skipAsciiByteByByte,   stopMasksByteByByte,
                                          stripBlocksByteByByte, checkUtf8ByteByByte};
#if defined(__x86_64__)
  static const ByteKernels kAll[] = {kByteByByte, kSse2Kernels, kAvx2Kernels, kAvx512Kernels};
  static const std::size_t kCount = !runsAvx2Kernels() ? 2 : !runsAvx512Kernels() ? 3 : 4;
  return {kAll, kCount};
#else
  return {&kByteByByte, 1};
#endif
}

std::string byteKernelsKey(std::string_view name) {
  std::string key;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return key;
}

const ByteKernels& fastestByteKernels() {
  static const ByteKernels& chosen = []() -> const ByteKernels& {
    const auto available = availableByteKernels();
    if (const char* const wanted = std::getenv("CSTRIP_KERNELS")) {
      for (const ByteKernels& kernels : available) {
        if (byteKernelsKey(kernels.name) == byteKernelsKey(wanted)) return kernels;
      }
    }
    return available.back();
  }();
  return chosen;
}

}  // namespace cstrip
