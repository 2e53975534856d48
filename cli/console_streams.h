#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace cstrip::cli {

// Whether standard error is a terminal (a console on Windows), where a
// person may be watching.
inline bool stderrIsTerminal() {
#ifdef _WIN32
  return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

}  // namespace cstrip::cli
