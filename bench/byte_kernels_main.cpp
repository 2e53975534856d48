// byte-kernels: prints the name of the byte kernels the engine uses on this
// machine (CSTRIP_KERNELS may name them), then, on a second line, the key of
// every version this machine can run, the byte-by-byte one first.

#include <cstdio>

#include "byte_kernels.h"

int main() {
  std::printf("%s\n", cstrip::fastestByteKernels().name);
  const char* separator = "";
  for (const cstrip::ByteKernels& kernels : cstrip::availableByteKernels()) {
    std::printf("%s%s", separator, cstrip::byteKernelsKey(kernels.name).c_str());
    separator = " ";
  }
  std::printf("\n");
  return std::fflush(stdout) == 0 ? 0 : 1;
}
