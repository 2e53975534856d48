#pragma once

#include <string_view>

namespace cstrip::cli {

// Whether the file name `name` matches the shell pattern `pattern`: `*`
// stands for any text, `?` for one character, `[abc]`, `[a-z]` and `[!a-z]`
// for one character of (or not of) a set, and `\` takes the next character
// as it is. Characters are UTF-8 sequences. With `ignoreCase`, ASCII
// letters match in either case, as names do on Windows.
bool matchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase);

}  // namespace cstrip::cli
