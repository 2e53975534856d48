#pragma once

#include "command_line.h"

namespace cstrip::cli {

// Carries out a Convert command: one file into another, or with -d files
// and folders into the output folder, up to `jobs` at once. Failures are
// reported on stderr, one line per file, and the other files go on; with
// -v each output and its count go to stdout. Progress goes to stderr when
// it is a terminal and the work is long. Returns the exit status: 0 when
// every file was converted, 1 when any failed. Throws UsageError before
// converting anything when two inputs would write the same output.
int convertFiles(const Command& command, Language language);

}  // namespace cstrip::cli
