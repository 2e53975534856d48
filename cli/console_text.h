#pragma once

#include <cstdio>
#include <string_view>

namespace cstrip::cli {

// Writes `text`, the program's own words in UTF-8, on `stream` (stdout or
// stderr) as the user's terminal reads them: as it is on POSIX; on Windows
// through WriteConsoleW to a console, whose code page is left alone, and
// into a file or pipe in the console's output code page (the ANSI code page
// when there is no console). Returns false, with errno set, when it cannot
// be written.
bool writeText(std::FILE* stream, std::string_view text);

}  // namespace cstrip::cli
