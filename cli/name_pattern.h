#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cstrip::cli {

// The patterns in `list`, as one option gives them: separated by commas,
// semicolons or blanks (space, tab, line end), in any mix and runs, empty
// ones dropped. A `\` before a separator makes it part of the pattern and
// is itself dropped (`my\ file.c` is `my file.c`); every other `\` stays
// as it is, for matchesPattern to read (`\\,` is an escaped `\`, then a
// separator).
std::vector<std::string> splitPatterns(std::string_view list);

// Whether the file name `name` matches the shell pattern `pattern`: `*`
// stands for any text, `?` for one character, `[abc]`, `[a-z]` and `[!a-z]`
// for one character of (or not of) a set, and `\` takes the next character
// as it is. Characters are UTF-8 sequences. With `ignoreCase`, ASCII
// letters match in either case, as names do on Windows.
bool matchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase);

// Whether `path`, a file's or folder's path below the walked folder with
// `/` between names (`sub/deeper/a.c`), matches `pattern`:
// - a pattern without `/` matches the last name alone, at any depth, as
//   matchesPattern does;
// - a pattern with `/` matches the whole path, name by name, so `*`, `?`
//   and sets never take a `/`; a name `**` stands for any number of names,
//   none included (`**/*.c` takes `a.c` and `x/y/a.c`; `sub/**` takes
//   `sub` and all below it), while `**` within a name is just `*`. Empty
//   names and `.` are skipped, so `/sub/a.c`, `./sub/a.c`, `sub//a.c` and
//   `sub/a.c/` all mean `sub/a.c`, anchored at the walked folder. `\/` is a
//   `/`; a `/` always ends a name, even after a `[` (POSIX's rule).
bool matchesPath(std::string_view pattern, std::string_view path, bool ignoreCase);

}  // namespace cstrip::cli
