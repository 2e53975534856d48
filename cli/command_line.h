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
  // The window's IN and OUT, made absolute; or a conversion's IN and OUT
  // ("-" for a standard stream); or with -d or -i, the files and folders to
  // convert.
  std::vector<std::filesystem::path> paths;
  // The window toolkit's own options, given before any "--".
  std::vector<std::string> windowArguments;
  std::filesystem::path outputFolder;               // -d
  std::vector<std::string> include{"*.c", "*.h"};   // --include
  std::vector<std::string> exclude;                 // --exclude
  std::optional<std::filesystem::path> filesFrom;   // --files-from
  bool nullSeparated = false;                       // -0
  bool inPlace = false;                             // -i
  std::filesystem::path::string_type backupSuffix;  // --backup, with -i
  bool parents = false;                             // --parents, with -d
  bool dryRun = false;                              // -n
  unsigned jobs = 1;                                // -j
  bool verbose = false;                             // -v
  bool quiet = false;                               // -q
  bool followLinks = false;                         // -L: links inside folders
  bool keepLines = false;                           // --keep-lines, with --strip-c
};

// A command line that cannot be carried out, described in the user's
// language.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments, the program's name left out, each in the program's
// own text (see pathFromText), as GNU getopt_long does: options and
// operands in any order, "--" ending the options, a long option by any
// unique beginning of its name, with its value after "=" or as the next
// argument, and short options run together ("-vj4"). The window toolkit's
// own options (see kWindowOptionsWithValue) before "--" are kept for the
// window. A conversion with one operand writes standard output, and with
// none reads standard input too. Throws UsageError.
Command parseCommandLine(const std::vector<std::string>& arguments, Language language);

}  // namespace cstrip::cli
