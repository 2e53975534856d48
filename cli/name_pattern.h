#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cstrip::cli {

// Whether the file name `name` matches the shell pattern `pattern`: `*`
// stands for any text, `?` for one character, `[abc]`, `[a-z]` and `[!a-z]`
// for one character of (or not of) a set, and `\` takes the next character
// as it is. Characters are UTF-8 sequences. With `ignoreCase`, ASCII
// letters match in either case, as names do on Windows.
bool matchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase);

// The patterns of an --include or --exclude list.
std::vector<std::string> splitPatterns(std::string_view list);

}  // namespace cstrip::cli
