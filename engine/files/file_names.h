#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cstrip {

// `path` as readable UTF-8 text on one line. On POSIX, where a name is
// bytes, part by part between slashes: a part that is UTF-8 as it is, else
// decoded from CP932 (names from archives made on Japanese Windows), else
// with its bytes outside ASCII written as \xNN. On Windows, the name's own
// text. Either way with its control characters quoted (see quoteControls).
std::string displayPath(const std::filesystem::path& path);

// `text` with its control characters written as escapes: \n, \t, \r, and
// the others as octal bytes (ESC as \033; the C1 controls too), so that it
// stays on its line and sends nothing to a terminal.
std::string quoteControls(std::string_view text);

// The file `path` names. On POSIX, if nothing exists at `path` as written,
// each part that does not exist as written but does with its name encoded
// in CP932 is taken in that spelling. A path that names nothing either way,
// such as a new output file, and every path on Windows, where names are
// Unicode, is returned as given.
std::filesystem::path findFile(const std::filesystem::path& path);

// The path written as the program's own text, as an argument or typed:
// bytes on POSIX, UTF-8 on Windows.
std::filesystem::path pathFromText(const std::string& text);

}  // namespace cstrip
