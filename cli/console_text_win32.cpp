#include "console_text.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "wide_text.h"

namespace cstrip::cli {

namespace {

// What the progress line ends with: erase the rest of the line.
constexpr std::string_view kEraseToEnd = "\033[K";

bool writeConsole(HANDLE console, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    // Older consoles refuse a write much above 64 KiB; a character's two
    // halves go in one write.
    auto size = static_cast<DWORD>(std::min<std::size_t>(text.size(), 16384));
    if (size < text.size() && IS_HIGH_SURROGATE(text[size - 1])) --size;
    if (!WriteConsoleW(console, text.data(), size, &written, nullptr) || written == 0) return false;
    text.remove_prefix(written);
  }
  return true;
}

// Blanks the console's line from the cursor to its end, as "\033[K" does
// on a terminal. Done through the console's own calls rather than by
// turning on its escape sequences, which Windows before 10 lacks and whose
// mode would have to be put back however the program ends.
bool eraseToEnd(HANDLE console) {
  CONSOLE_SCREEN_BUFFER_INFO screen;
  DWORD written = 0;
  return GetConsoleScreenBufferInfo(console, &screen) &&
         FillConsoleOutputCharacterW(
             console, L' ', static_cast<DWORD>(screen.dwSize.X - screen.dwCursorPosition.X),
             screen.dwCursorPosition, &written);
}

bool writeToConsole(HANDLE console, std::string_view text) {
  for (;;) {
    const std::size_t erase = text.find(kEraseToEnd);
    if (!writeConsole(console, toWide(text.substr(0, erase)))) return false;
    if (erase == std::string_view::npos) return true;
    if (!eraseToEnd(console)) return false;
    text.remove_prefix(erase + kEraseToEnd.size());
  }
}

// `text` in the code page a reader of the console's redirected output
// expects: the console's, else the system's ANSI code page (CP932 on
// Japanese Windows). A character it lacks becomes its default, "?".
std::string forRedirection(std::string_view text) {
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();
  if (codePage == CP_UTF8) return std::string(text);
  return cstrip::inCodePage(toWide(text), codePage);
}

}  // namespace

bool writeText(std::FILE* stream, std::string_view text) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // What the stream holds goes first.
    if (std::fflush(stream) != 0) return false;
    if (writeToConsole(handle, text)) return true;
    errno = GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM : EIO;
    return false;
  }
  const std::string bytes = forRedirection(text);
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

}  // namespace cstrip::cli
