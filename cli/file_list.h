#pragma once

#include <filesystem>
#include <system_error>
#include <vector>

namespace cstrip::cli {

// The names listed in the file at `list` ("-" for standard input), one per
// line, or with `nullSeparated` each ended by a NUL, as find -print0 writes
// them. Empty names are left out; a line's CR before its LF is not part of
// the name; a name "-" is the file of that name, as "./-". Each name is the program's own text (see
// pathFromText). Sets `error` when the list cannot be read.
std::vector<std::filesystem::path> readFileList(const std::filesystem::path& list,
                                                bool nullSeparated, std::error_code& error);

}  // namespace cstrip::cli
