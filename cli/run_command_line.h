#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cstrip::cli {

// What the window is to open with.
struct WindowRequest {
  std::vector<std::filesystem::path> paths;   // IN and OUT, if given, made absolute
  std::vector<std::string> toolkitArguments;  // the window toolkit's own options
};

// Carries out the command line `arguments` (see parseCommandLine), without
// a window: a conversion, --help, --version or a usage error, in the user's
// language, standard streams closed at start opened on /dev/null first
// (see guardStandardStreams). Returns the exit status then; returns nothing
// when the window is to open instead, as `window` says.
std::optional<int> runCommandLine(const std::vector<std::string>& arguments, WindowRequest& window);

}  // namespace cstrip::cli
