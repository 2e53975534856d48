// engine-run MODE INPUT OUTPUT: one run of the engine without the window.
// Prints the count box's final text (nothing if the run never counted) and
// exits 0, or prints the error's description to stderr and exits 1.

#include <cstdio>

#include "command3_click.h"
#include "console_window.h"
#include "run_error.h"

int main(int argc, char** argv) {
  using namespace cstrip;
  const auto mode = argc == 4 ? parseConsoleMode(argv[1]) : std::nullopt;
  if (!mode) {
    std::fputs("usage: engine-run strip|lower|upper INPUT OUTPUT\n", stderr);
    return 2;
  }
  ConsoleWindow window(*mode, argv[2], argv[3]);
  try {
    Command3_Click(window);
  } catch (const RunError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  if (const auto count = window.count()) std::printf("%s\n", formatLineCount(*count).c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}
