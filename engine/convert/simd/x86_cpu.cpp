// Which vector kernels this processor and its system can run. A processor
// may have AVX2 or AVX-512 while the system does not save the wider
// registers on a task switch (XCR0, read by xgetbv, says which it saves);
// then their instructions fault, so both must agree.

#if defined(__x86_64__)

#include <cpuid.h>

#include <cstdint>

#include "x86_kernels.h"

namespace cstrip {
namespace {

// Bits of XCR0: the SSE registers (1) and the upper halves of YMM (2); the
// AVX-512 mask registers (5), the upper halves of ZMM0-15 (6) and ZMM16-31 (7).
constexpr std::uint64_t kYmmState = 0x2 | 0x4;
constexpr std::uint64_t kZmmState = kYmmState | 0x20 | 0x40 | 0x80;

bool systemSaves(std::uint64_t states) {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  // xgetbv is an invalid instruction unless the system turned on OSXSAVE.
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & bit_OSXSAVE) == 0) return false;
  std::uint32_t low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return ((std::uint64_t{high} << 32 | low) & states) == states;
}

}  // namespace

bool runsAvx2Kernels() {
  static const bool runs = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                           __builtin_cpu_supports("pclmul") && systemSaves(kYmmState);
  return runs;
}

bool runsAvx512Kernels() {
  static const bool runs =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("pclmul") &&
      __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt") && systemSaves(kZmmState);
  return runs;
}

}  // namespace cstrip

#endif  // __x86_64__
