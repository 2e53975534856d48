#pragma once

#include <string>

#include "run_error.h"

namespace cstrip::cli {

// The language of the command line, chosen as gettext chooses: unless the
// locale is C or POSIX, a LANGUAGE list (split by colons) that is set
// decides: its first Japanese or English entry, else English, the
// untranslated text; without one, Japanese when the locale named by
// LC_ALL, else LC_MESSAGES, else LANG is Japanese, English otherwise. On
// Windows, the user's display language.
Language userLanguage();

// What the command line says, each in both languages.
enum class Message {
  Help,                 // the whole of --help
  TryHelp,              // after a usage error
  OneMode,              // the usage error of two modes
  NoMode,               // a conversion without a mode
  KeepLinesAlone,       // --keep-lines without --strip-c
  InAndOut,             // the usage error of a single conversion's paths
  NoPaths,              // -d or -i without paths
  NoFolder,             // -d ""
  UnknownOption,        // %s: the long option as given
  InvalidOption,        // %s: a short option's letter that names none
  TakesNoValue,         // %s: an option given a value it does not take
  NeedsValue,           // %s: an option given no value
  Ambiguous,            // %s, %s: a beginning of several long names, and those names
  BackupAlone,          // --backup without -i
  BadBackup,            // --backup with an empty suffix or one naming a folder
  ParentsAlone,         // --parents without -d
  NullAlone,            // -0 without --files-from
  ListAlone,            // --files-from without -d or -i
  InPlaceAndFolder,     // -i with -d
  InPlaceStream,        // -i with "-"
  FolderStream,         // -d with "-"
  NoDisplay,            // a window asked for where there is no display
  CannotReadList,       // %s, %s: the --files-from list and the reason
  NothingMatched,       // %s: a folder operand in which no name matched
  SameOutput,           // %s, %s: two inputs, one output
  OutputIsInput,        // %s, %s: an output that is one of the inputs
  IsOutputFolder,       // %s: an operand that is the output folder
  InOutputFolder,       // %s, %s: an operand inside the output folder
  OutsideOutputFolder,  // %s, %s: an output that would lie outside it
  BadJobs,              // %s: -j's value, not a number of 1 or more
  CannotReadFolder,     // %s, %s: the folder and the reason
  CannotFollowLink,     // %s, %s
  LinkLoop,             // %s: a link to a folder that holds it
  CannotMakeFolder,     // %s, %s
  CannotMakeLink,       // %s, %s
  Converted,            // %s, %s: the output and its count, split by a tab
  LinkMade,             // %s, %s: the output and the link's target
  Skipped,              // %s: a FIFO, socket or device passed over
  UnterminatedComment,  // %s, %s: the input and the line a comment opened on
  WriteError,           // %s: the reason
  CannotStartWindow,    // %s, %s: the window program and the reason
  Progress,             // %s, %s, %s: the percentage, files done, files in all
};

// `message` in `language`, each %s replaced by the next of `values`.
std::string text(Message message, Language language,
                 std::initializer_list<std::string> values = {});

}  // namespace cstrip::cli
