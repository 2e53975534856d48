#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cstrip::cli {

// The completion script of `shell` ("bash", "zsh" or "fish") for cstrip's
// options, made from the option table: every option, a folder after
// --output-dir, a file after --files-from and as an operand, nothing after
// the options whose value is a number, a suffix or patterns. Nothing for
// another shell.
std::optional<std::string> completionScript(std::string_view shell);

}  // namespace cstrip::cli
