#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cstrip::cli {

// Carries out the command line `arguments` (see parseCommandLine), without
// a window: a conversion, --help, --version or a usage error, in the user's
// language, standard streams closed at start opened on /dev/null first
// (see guardStandardStreams). Returns the exit status then; returns nothing when the window
// is to open instead, with `windowPaths` set to its IN and OUT, if given.
std::optional<int> runCommandLine(const std::vector<std::string>& arguments,
                                  std::vector<std::filesystem::path>& windowPaths);

}  // namespace cstrip::cli
