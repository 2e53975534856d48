// cstrip-completions SHELL: prints cstrip's completion script for bash,
// zsh or fish, made from its option table, for the package to install.

#include <cstdio>

#include "shell_completion.h"

int main(int argc, char* argv[]) {
  const auto script = argc == 2 ? cstrip::cli::completionScript(argv[1]) : std::nullopt;
  if (!script) {
    std::fputs("usage: cstrip-completions bash|zsh|fish\n", stderr);
    return 2;
  }
  std::fputs(script->c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
