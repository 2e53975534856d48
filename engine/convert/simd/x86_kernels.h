#pragma once

#include "byte_kernels.h"

namespace cstrip {

// The vector byte kernels of x86-64 processors: SSE2, which all have, and
// AVX2 and AVX-512, for those that have them.
extern const ByteKernels kSse2Kernels;
extern const ByteKernels kAvx2Kernels;
extern const ByteKernels kAvx512Kernels;

// Whether this processor has every instruction the AVX2 (or AVX-512)
// kernels use, and its system saves the registers they use.
bool runsAvx2Kernels();
bool runsAvx512Kernels();

}  // namespace cstrip
