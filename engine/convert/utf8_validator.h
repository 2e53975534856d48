#pragma once

#include <span>

#include "byte_kernels.h"
#include "text_encoding.h"

namespace cstrip {

// Checks that a text is valid UTF-8 (see kUtf8Leads), fed in pieces split
// anywhere, with the byte kernels' checkUtf8: a vector block at a time.
class Utf8Validator {
 public:
  explicit Utf8Validator(const ByteKernels& kernels = fastestByteKernels()) : kernels_(&kernels) {}

  // Checks `bytes`, which follow those fed before. Returns false from the
  // first invalid byte on, and then looks no further.
  bool feed(std::span<const char> bytes);

  // Whether the text fed so far is valid and ends where a character ends.
  bool finish() const { return valid_ && progress_.continuationBytes == 0; }

 private:
  const ByteKernels* kernels_;  // a pointer, so that a validator can be copied
  bool valid_ = true;
  Utf8Progress progress_;
};

}  // namespace cstrip
