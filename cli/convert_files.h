#pragma once

#include "command_line.h"

namespace cstrip::cli {

// Carries out a Convert command (see planJobs): one file into another,
// each file into itself with -i, or with -d files and folders into the
// output folder, up to `jobs` at once, the operands listed by --files-from
// read first. Each output is replaced whole or left as it was; with -n
// nothing is written, and each output is printed instead, an input that
// would fail reported. Failures are reported on stderr, one line per file,
// and the other files go on; with -v each output and its count, and what a
// walk passed over, go to stdout, or to stderr when an output is standard
// output. Unless -q, warnings go to stderr, and so does progress when it
// is a terminal and the work is long. A stop signal (see StopSignals)
// stops every job at its next buffer, leaving the outputs finished, and
// then ends the process by that signal. Returns the exit status: 0 when
// every file was converted, 1 when any failed or the list could not be
// read. Throws UsageError before writing anything (see planJobs).
int convertFiles(const Command& command, Language language);

}  // namespace cstrip::cli
