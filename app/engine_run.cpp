// engine-run MODE INPUT OUTPUT: one run of the engine without the window.
// Prints the count box's final text (nothing if the run never counted) and
// exits 0, or prints the error's description to stderr and exits 1; a
// stop signal ends it, leaving the output as it was. Reads no locale, and
// of the environment only the engine's CSTRIP_KERNELS.

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "console_window.h"
#include "run_conversion.h"
#include "run_error.h"
#include "stop_signals.h"
#include "system_file.h"

namespace {

std::optional<cstrip::cli::Mode> modeNamed(const std::string& name) {
  using cstrip::cli::Mode;
  if (name == "strip") return Mode::Strip;
  if (name == "strip-c") return Mode::StripC;
  if (name == "lower") return Mode::Lower;
  if (name == "upper") return Mode::Upper;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  cstrip::guardStandardStreams();
  const auto mode = argc == 4 ? modeNamed(argv[1]) : std::nullopt;
  if (!mode) {
    std::fputs("usage: engine-run strip|strip-c|lower|upper INPUT OUTPUT\n", stderr);
    return 2;
  }
  cstrip::cli::ConsoleWindow window(*mode, argv[2], argv[3]);
  try {
    const cstrip::StopSignals stopSignals;
    cstrip::RunConversion(window);
  } catch (const cstrip::RunError& error) {
    if (const int signal = cstrip::processStopSignal()) cstrip::endByStopSignal(signal);
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  if (const int signal = cstrip::processStopSignal()) cstrip::endByStopSignal(signal);
  if (const auto count = window.count()) {
    std::printf("%s\n", cstrip::formatLineCount(*count).c_str());
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "標準出力に書き込めません: %s\n",
                 cstrip::describeSystemError(errno, cstrip::Language::Japanese).c_str());
    return 1;
  }
  return 0;
}
