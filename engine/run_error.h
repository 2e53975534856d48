#pragma once

#include <stdexcept>
#include <string>

namespace cstrip {

// The languages the program speaks: the window is Japanese; the command
// line follows the user's locale.
enum class Language { Japanese, English };

// What failed.
enum class Failure {
  NoInputPath,
  NoOutputPath,
  OpenInput,
  ReadInput,
  UnsupportedEncoding,  // UTF-16 or UTF-32 text, named by detail()
  OpenOutput,
  SameFile,  // the output names the input
  EmptyOutput,
  WriteOutput,
  CloseOutput,
  OutOfMemory,
};

// A failed run: what failed, on which path (as given, bytes for the file
// system), and the system's errno, 0 where the failure is the program's own
// refusal. what() is the description shown in the window, in Japanese.
class RunError : public std::runtime_error {
 public:
  RunError(Failure failure, std::string path = {}, int errorNumber = 0, std::string detail = {});

  Failure failure() const { return failure_; }
  const std::string& path() const { return path_; }
  int errorNumber() const { return errorNumber_; }
  const std::string& detail() const { return detail_; }

 private:
  Failure failure_;
  std::string path_;
  int errorNumber_;
  std::string detail_;
};

// The description of `error` in `language`, naming the file (see
// displayPath) and the reason.
std::string describe(const RunError& error, Language language);

// The system's reason for `errorNumber` in `language`. Common causes have
// Japanese wording of their own; any other falls back to the system's text.
std::string describeSystemError(int errorNumber, Language language);

}  // namespace cstrip
