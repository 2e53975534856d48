#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cstrip::cli {

// Carries out the command line, without a window: a conversion, --help,
// --version or a usage error, in the user's language. Returns the exit
// status then; returns nothing when the window is to open instead, with
// `windowPaths` set to its IN and OUT, if given.
std::optional<int> runCommandLine(int argc, char** argv, std::vector<std::string>& windowPaths);

}  // namespace cstrip::cli
