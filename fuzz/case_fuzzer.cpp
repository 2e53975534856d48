// The fast case converter, with each version of the byte kernels, against
// the byte-by-byte stepper, the direction changing from line to line as the
// input's first chunk says.

#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cstrip::testing;
  const auto chunks = chunksOf(data, size);
  const std::string directions = chunks.empty() ? std::string() : chunks.front();
  const Recorded expected = convertCase<cstrip::CaseStepper>(chunks, directions);
  for (const cstrip::ByteKernels& kernels : cstrip::availableByteKernels()) {
    if (convertCase<cstrip::CaseConverter>(chunks, directions, kernels) != expected) {
      __builtin_trap();
    }
  }
  return 0;
}
