#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "run_error.h"

namespace cstrip::cli {

enum class Mode { Strip, StripC, Lower, Upper };

// What the command line asks for.
struct Command {
  enum class Action { OpenWindow, Convert, Help, Version } action = Action::OpenWindow;
  std::optional<Mode> mode;
  // The window's IN and OUT, made absolute; or a conversion's IN and OUT;
  // or with -d, the files and folders to convert.
  std::vector<std::filesystem::path> paths;
  std::filesystem::path outputFolder;              // -d
  std::vector<std::string> include{"*.c", "*.h"};  // --include
  unsigned jobs = 1;                               // -j
  bool verbose = false;                            // -v
  bool followLinks = false;                        // -L: links inside folders
  bool keepLines = false;                          // --keep-lines, with --strip-c
};

// A command line that cannot be carried out, described in the user's
// language.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments, the program's name left out, each in the program's
// own text (see pathFromText). Throws UsageError.
Command parseCommandLine(const std::vector<std::string>& arguments, Language language);

}  // namespace cstrip::cli
