// Both fast runs, with each version of the byte kernels, against their
// byte-by-byte steppers. The case run's direction changes from line to line
// as the input's first chunk says.

#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cstrip::testing;
  const auto chunks = chunksOf(data, size);
  const std::string directions = chunks.empty() ? std::string() : chunks.front();
  const Recorded stripped = stripByteByByte(chunks);
  const Recorded converted = convertCase<cstrip::CaseStepper>(chunks, directions);
  for (const cstrip::ByteKernels& kernels : cstrip::availableByteKernels()) {
    if (stripFast(chunks, kernels) != stripped ||
        convertCase<cstrip::CaseConverter>(chunks, directions, kernels) != converted) {
      __builtin_trap();
    }
  }
  return 0;
}
