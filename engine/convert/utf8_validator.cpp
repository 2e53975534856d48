#include "utf8_validator.h"

#include <array>

namespace cstrip {

namespace {

// kUtf8Leads by byte value: a byte that cannot start a multi-byte
// character has no continuation bytes.
constexpr std::array<Utf8Lead, 256> kFormOfLead = [] {
  std::array<Utf8Lead, 256> forms{};
  for (int byte = 0; byte < 256; ++byte) {
    for (const Utf8Lead& form : kUtf8Leads) {
      if (form.lead.contains(static_cast<unsigned char>(byte))) forms[byte] = form;
    }
  }
  return forms;
}();

}  // namespace

bool checkUtf8ByteByByte(const char* first, const char* last, Utf8Progress& progress) {
  const char* p = first;
  while (p != last) {
    if (progress.continuationBytes > 0) {
      if (!progress.next.contains(static_cast<unsigned char>(*p++))) return false;
      progress.next = kUtf8Continuation;
      --progress.continuationBytes;
      continue;
    }
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x80) {
      p = skipAsciiByteByByte(p, last);
      continue;
    }
    const Utf8Lead& form = kFormOfLead[byte];
    const int count = form.continuationBytes;
    if (count > 0 && last - p > count) {  // the whole character is here
      const auto at = [p](int i) { return static_cast<unsigned char>(p[i]); };
      if (!form.firstContinuation.contains(at(1)) ||
          (count >= 2 && !kUtf8Continuation.contains(at(2))) ||
          (count >= 3 && !kUtf8Continuation.contains(at(3)))) {
        return false;
      }
      p += 1 + count;
      continue;
    }
    if (count == 0) return false;
    progress = {count, form.firstContinuation};
    ++p;
  }
  return true;
}

bool Utf8Validator::feed(std::span<const char> bytes) {
  if (valid_) valid_ = kernels_->checkUtf8(bytes.data(), bytes.data() + bytes.size(), progress_);
  return valid_;
}

}  // namespace cstrip
