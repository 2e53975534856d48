#include "standard_output.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "console_text.h"
#include "messages.h"
#include "process_stop.h"
#include "system_file.h"

namespace cstrip::cli {

namespace {

std::atomic<bool> printed = false;
std::atomic<int> firstError = 0;

void noteError(int error) {
  int none = 0;
  firstError.compare_exchange_strong(none, error == 0 ? EIO : error);
}

}  // namespace

void printOut(const std::string& text) {
  printed = true;
  if (!writeText(stdout, text)) noteError(errno);
}

bool finishStandardOutput(Language language) {
  if (!printed) return true;
  if (standardOutputWasClosed()) noteError(EBADF);
  if (std::fflush(stdout) != 0) noteError(errno);
  // A write a stop signal cut short is the signal's doing, not an error.
  if (firstError == 0 || processStopSignal() != 0) return true;
  // The C library's error numbers, worded as the system's on Windows too.
  const std::error_code error(firstError, std::generic_category());
  writeText(stderr,
            "cstrip: " + text(Message::WriteError, language, {describeErrorCode(error, language)}) +
                "\n");
  return false;
}

}  // namespace cstrip::cli
