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

bool Utf8Validator::feed(std::span<const char> bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (valid_ && p != end) {
    if (continuationBytes_ > 0) {
      valid_ = next_.contains(static_cast<unsigned char>(*p++));
      next_ = kUtf8Continuation;
      --continuationBytes_;
      continue;
    }
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x80) {
      p = kernels_.skipAscii(p, end);
      continue;
    }
    const Utf8Lead& form = kFormOfLead[byte];
    const int count = form.continuationBytes;
    if (count > 0 && end - p > count) {  // the whole character is here
      const auto at = [p](int i) { return static_cast<unsigned char>(p[i]); };
      valid_ = form.firstContinuation.contains(at(1)) &&
               (count < 2 || kUtf8Continuation.contains(at(2))) &&
               (count < 3 || kUtf8Continuation.contains(at(3)));
      p += 1 + count;
      continue;
    }
    valid_ = count > 0;
    continuationBytes_ = count;
    next_ = form.firstContinuation;
    ++p;
  }
  return valid_;
}

}  // namespace cstrip
