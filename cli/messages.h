#pragma once

#include <string>

#include "run_error.h"

namespace cstrip::cli {

// The language of the command line: Japanese when the locale named by
// LC_ALL, else LC_MESSAGES, else LANG is Japanese (on Windows, the user's
// display language), English otherwise.
Language userLanguage();

// What the command line says, each in both languages.
enum class Message {
  Help,              // the whole of --help
  TryHelp,           // after a usage error
  OneMode,           // the usage error of two modes
  NoMode,            // a conversion without a mode
  InAndOut,          // the usage error of a single conversion's paths
  NoPaths,           // -d without paths
  SameOutput,        // %s, %s: two inputs, one output
  BadJobs,           // -j below 1
  BadArgument,       // %s: what the parser said
  CannotReadFolder,  // %s, %s: the folder and the reason
  CannotMakeFolder,  // %s, %s
  Converted,         // %s, %s: the output and its count, split by a tab
  Progress,          // %s, %s, %s: the percentage, files done, files in all
};

// `message` in `language`, each %s replaced by the next of `values`.
std::string text(Message message, Language language,
                 std::initializer_list<std::string> values = {});

}  // namespace cstrip::cli
