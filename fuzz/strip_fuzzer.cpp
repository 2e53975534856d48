// The fast comment stripper, with each version of the byte kernels, against
// the byte-by-byte stepper.

#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cstrip::testing;
  const auto chunks = chunksOf(data, size);
  const Recorded expected = stripByteByByte(chunks);
  for (const cstrip::ByteKernels& kernels : cstrip::availableByteKernels()) {
    if (stripFast(chunks, kernels) != expected) __builtin_trap();
  }
  return 0;
}
