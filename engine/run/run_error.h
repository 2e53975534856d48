#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace cstrip {

// The languages the program speaks: the window is Japanese; the command
// line follows the user's locale.
enum class Language { Japanese, English };

// What failed.
enum class Failure {
  NoInputPath,
  NoOutputPath,
  OpenInput,
  NotRegularInput,    // a file found in a walk that is no longer a regular file
  NotRegularInPlace,  // a file to convert in place that is not a regular file
  ReadInput,
  UnsupportedEncoding,  // UTF-16 or UTF-32 text, named by detail()
  OpenOutput,
  CreateTemporary,  // the temporary file beside the output
  SameFile,         // the output names the input
  ChangedInPlace,   // converting in place, the name came to name another file
  WriteOutput,
  CloseOutput,
  ReplaceOutput,  // putting the finished output in place
  Backup,         // keeping the file converted in place under its backup name
  OutOfMemory,
};

// A failed run: what failed, on which path (as given), and the system's
// error code (errno on POSIX, GetLastError() on Windows), 0 where the
// failure is the program's own refusal. what() is the description shown in
// the window, in Japanese.
class RunError : public std::runtime_error {
 public:
  RunError(Failure failure, std::filesystem::path path = {}, int errorNumber = 0,
           std::string detail = {});

  Failure failure() const { return failure_; }
  const std::filesystem::path& path() const { return path_; }
  int errorNumber() const { return errorNumber_; }
  const std::string& detail() const { return detail_; }

 private:
  Failure failure_;
  std::filesystem::path path_;
  int errorNumber_;
  std::string detail_;
};

// The description of `error` in `language`, naming the file (see
// displayPath) and the reason.
std::string describe(const RunError& error, Language language);

// The system's reason for its error code `errorNumber` in `language`.
// Common causes have wording of their own; any other falls back to the
// system's text.
std::string describeSystemError(int errorNumber, Language language);

// The reason for an error code of the standard library's, such as a
// filesystem_error's, in `language`, worded as describeSystemError does.
std::string describeErrorCode(const std::error_code& code, Language language);

// The system's error codes for a folder where a file is wanted, for
// memory running out, and for a file that ends before bytes read earlier.
extern const int kFolderError;
extern const int kNoMemoryError;
extern const int kFileCutShortError;

}  // namespace cstrip
