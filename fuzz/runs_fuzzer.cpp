// The fast runs and the UTF-8 validator, with each version of the byte
// kernels, against their plain byte-by-byte versions. The case run's
// encoding (also the C stripping's), its direction from line to line, how
// many line ends the runs may count quietly, the C stripping's rules and
// how many direction changes the one-pass case run records come from the
// input's first chunk. The one-pass case run and C stripping are held to
// the steppers in the encoding of the whole input.

#include "runs.h"
#include "utf8_validator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cstrip;
  using namespace cstrip::testing;
  const auto chunks = chunksOf(data, size);
  const std::string directions = chunks.empty() ? std::string() : chunks.front();
  const auto encoding = size > 1 && data[1] & 2 ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
  const std::uint64_t quiet = size > 1 && data[1] & 4 ? 3 : UINT64_MAX;
  const CStripRules rules{encoding, size > 1 && (data[1] & 8) != 0,
                          size > 1 && (data[1] & 16) != 0};
  const std::size_t mostChanges = size > 1 && data[1] & 32 ? 2 : 1 << 16;
  const Recorded stripped = stripByteByByte(chunks);
  const Recorded strippedC = stripCByteByByte(chunks, rules);
  const Recorded converted = convertCase<CaseStepper>(chunks, directions, quiet, encoding);
  const bool valid =
      isValidUtf8({reinterpret_cast<const char*>(data) + 1, size > 0 ? size - 1 : 0});
  const Recorded convertedInOnePass = convertCase<CaseStepper>(
      chunks, directions, quiet, valid ? TextEncoding::Utf8 : TextEncoding::ShiftJis);
  const Recorded strippedCInOnePass = stripCByteByByte(
      chunks,
      {valid ? TextEncoding::Utf8 : TextEncoding::ShiftJis, rules.rawStrings, rules.keepLines});
  for (const ByteKernels& kernels : availableByteKernels()) {
    Utf8Validator validator(kernels);
    for (const auto& chunk : chunks) validator.feed(chunk);
    if (stripFast(chunks, kernels, quiet) != stripped ||
        stripCFast(chunks, rules, kernels, quiet) != strippedC || validator.finish() != valid ||
        convertCase<CaseConverter>(chunks, directions, quiet, encoding, kernels) != converted ||
        convertCaseInOnePass(chunks, directions, quiet, kernels, mostChanges) !=
            convertedInOnePass ||
        stripCInOnePass(chunks, rules, kernels, quiet) != strippedCInOnePass) {
      __builtin_trap();
    }
  }
  return 0;
}
