#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace cstrip {

// A failed run. what() is the description shown to the user: Japanese, UTF-8,
// naming the file and the reason. errorNumber() is the system's errno, or 0
// where the failure is the program's own refusal (an empty path, an output
// that names the input).
class RunError : public std::runtime_error {
 public:
  RunError(const std::string& description, int errorNumber)
      : std::runtime_error(description), errorNumber_(errorNumber) {}

  int errorNumber() const { return errorNumber_; }

 private:
  int errorNumber_;
};

// The system's reason for `errorNumber`, in Japanese. Common causes have their
// own wording; anything else falls back to the system's text and the number.
std::string describeSystemError(int errorNumber);

// "<what>「<path>」<verb>: <reason>", the shape of every file failure, built
// from the errno value.
RunError fileError(std::string_view what, std::string_view path, std::string_view verb,
                   int errorNumber);

}  // namespace cstrip
