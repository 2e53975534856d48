#pragma once

#include "byte_kernels.h"

namespace cstrip {

// The vector byte kernels of x86-64 processors: SSE2, which all have, and
// AVX2, for those that have it.
extern const ByteKernels kSse2Kernels;
extern const ByteKernels kAvx2Kernels;

}  // namespace cstrip
