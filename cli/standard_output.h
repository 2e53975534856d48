#pragma once

#include <string>

#include "run_error.h"

namespace cstrip::cli {

// Prints `text` on standard output, the command line's own text (--help,
// -v lines), noting whether it could be written.
void printOut(const std::string& text);

// Flushes standard output. When anything printed there could not be
// written, or standard output was closed at start, reports "write error"
// with the reason on stderr and returns false.
bool finishStandardOutput(Language language);

}  // namespace cstrip::cli
