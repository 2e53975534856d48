#include "utf8_validator.h"

namespace cstrip {

bool Utf8Validator::feed(std::span<const char> bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (valid_ && p != end) {
    if (continuationBytes_ == 0) {
      p = kernels_.skipAscii(p, end);
      if (p == end) break;
      const auto lead = static_cast<unsigned char>(*p++);
      valid_ = false;
      for (const Utf8Lead& form : kUtf8Leads) {
        if (!form.lead.contains(lead)) continue;
        continuationBytes_ = form.continuationBytes;
        next_ = form.firstContinuation;
        valid_ = true;
      }
    } else {
      valid_ = next_.contains(static_cast<unsigned char>(*p++));
      next_ = kUtf8Continuation;
      --continuationBytes_;
    }
  }
  return valid_;
}

}  // namespace cstrip
