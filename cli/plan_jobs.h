#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "system_file.h"
#include "window_operations.h"

namespace cstrip::cli {

// Where a job needs no output folder made: a single IN OUT.
inline constexpr std::size_t kNoFolder = SIZE_MAX;

// One piece of a command's work: a file converted into another, or a link
// made again.
struct Job {
  std::filesystem::path input;
  std::filesystem::path output;
  std::uintmax_t size = 0;  // the input's, for the progress line
  FileRules rules;
  std::optional<std::filesystem::path> linkTarget;  // a link to make at output, with this text
  std::size_t folder = kNoFolder;  // the output folder it writes into, in Plan::folders
  bool regularInput = true;        // false for standard input, a FIFO or a device
};

// A folder the jobs write into, made before they run.
struct OutputFolder {
  std::filesystem::path path;
  std::filesystem::path source;    // the folder it mirrors
  FileAccess access{0777};         // that folder's permission bits and group
  std::size_t parent = kNoFolder;  // in Plan::folders; none for the output folder itself
};

// What a conversion command does, found before anything is written.
struct Plan {
  std::vector<OutputFolder> folders;  // each after its parent, the output folder first
  std::vector<Job> jobs;
  std::vector<std::string> failures;  // of the walk, worded in the user's language
  std::vector<std::string> notes;     // for -v: what the walk passed over
};

// The plan of a Convert command: IN into OUT; with -i each file into
// itself; or with -d each file operand into DIR by its name (with
// --parents, by its path as given) and each folder operand walked into DIR
// the same way (an operand . or .. by its real folder's name). A walk takes
// the regular files whose names or paths below the folder match --include
// and not --exclude, and does not enter a folder that matches --exclude; a
// link in it is made again as it is, or with -L followed; FIFOs, sockets
// and devices are passed over; DIR itself is never walked; an unreadable
// folder, a loop, a folder operand in which nothing matched and, with -L, a
// link that leads nowhere where its name matches are failures, and the
// walk goes on. A stop signal ends the walk early. Throws UsageError when
// an operand is DIR or lies inside it, when two inputs would write the same
// output or a file and a folder of one name (on Windows, names compared
// without case), when an output would lie outside DIR, or when an output
// is one of the inputs; with -i, when a file is named twice or its backup
// would be another of them.
Plan planJobs(const Command& command, Language language);

}  // namespace cstrip::cli
