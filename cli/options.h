#pragma once

#include <string_view>

namespace cstrip::cli {

// Every option of the command line, in the order --help shows them. The
// parser, the shell completions and their tests read this one table.
enum class Option {
  StripC,
  Strip,
  Lower,
  Upper,
  KeepLines,
  InPlace,
  Backup,
  OutputDir,
  Parents,
  FilesFrom,
  Null,
  Dereference,
  Include,
  Exclude,
  DryRun,
  Jobs,
  Verbose,
  Quiet,
  Help,
  Version,
};

struct OptionEntry {
  Option option;
  char shortName;             // '\0' when it has none
  std::string_view longName;  // without the leading --
  // What its value is, for the completions: "" when it takes none, else
  // "FILE", "DIR", "PATTERNS", "SUFFIX" or "N".
  std::string_view value;
  std::string_view summary;  // one line, for the completions' menus
};

inline constexpr OptionEntry kOptions[] = {
    {Option::StripC, '\0', "strip-c", "", "strip comments as a C compiler reads them"},
    {Option::Strip, '\0', "strip", "", "strip comments by the classic rules"},
    {Option::Lower, '\0', "lower", "", "convert letters to lower case"},
    {Option::Upper, '\0', "upper", "", "convert letters to upper case"},
    {Option::KeepLines, '\0', "keep-lines", "", "with --strip-c, keep every line number"},
    {Option::InPlace, 'i', "in-place", "", "convert each file into itself"},
    {Option::Backup, '\0', "backup", "SUFFIX", "with -i, keep the original as FILE+SUFFIX"},
    {Option::OutputDir, 'd', "output-dir", "DIR", "convert into this folder"},
    {Option::Parents, '\0', "parents", "", "keep a file operand's path under DIR"},
    {Option::FilesFrom, '\0', "files-from", "FILE", "read the operands from FILE (- for stdin)"},
    {Option::Null, '0', "null", "", "names in --files-from end with NUL"},
    {Option::Dereference, 'L', "dereference", "", "follow symbolic links inside folders"},
    {Option::Include, '\0', "include", "PATTERNS", "names to convert inside folders"},
    {Option::Exclude, '\0', "exclude", "PATTERNS", "names and folders to leave out"},
    {Option::DryRun, 'n', "dry-run", "", "print each output, write nothing"},
    {Option::Jobs, 'j', "jobs", "N", "convert up to N files at once"},
    {Option::Verbose, 'v', "verbose", "", "print each output and its line count"},
    {Option::Quiet, 'q', "quiet", "", "no warnings and no progress line"},
    {Option::Help, 'h', "help", "", "print the help"},
    {Option::Version, '\0', "version", "", "print the version"},
};

// The window toolkit's own options, which take a value, and those which do
// not: given before any "--", they go to the window as they are.
inline constexpr std::string_view kWindowOptionsWithValue[] = {
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle",    "-style",
    "-stylesheet",      "-display",
    "-geometry",        "-title",
    "-session"};
inline constexpr std::string_view kWindowFlags[] = {"-reverse", "-nograb", "-dograb", "-sync",
                                                    "-widgetcount"};

}  // namespace cstrip::cli
