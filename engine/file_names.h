#pragma once

#include <string>
#include <string_view>

namespace cstrip {

// The name "-" stands for standard input or standard output.
inline constexpr std::string_view kStandardStream = "-";

// `path` as readable UTF-8 text, part by part between slashes: a part that
// is UTF-8 as it is, else decoded from CP932 (names from archives made on
// Japanese Windows), else with its bytes outside ASCII written as \xNN.
std::string displayPath(std::string_view path);

// The file `path` names. If nothing exists at `path` as written, each part
// that does not exist as written but does with its name encoded in CP932
// is taken in that spelling. A path that names nothing either way, such as
// a new output file, is returned as given.
std::string findFile(const std::string& path);

}  // namespace cstrip
