// cstrip on Windows, built twice from this file. cstrip.exe is a window
// program: started from Explorer or a shortcut it opens the window, with no
// console. cstrip.com is the same program for consoles: cmd and PowerShell
// try .com before .exe, so "cstrip" typed there runs it, and the console
// waits for it, shows its output and gets its exit status; asked for the
// window, it starts cstrip.exe beside it and returns at once.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "console_text.h"
#include "file_names.h"
#include "messages.h"
#include "run_command_line.h"
#include "run_error.h"
#include "wide_text.h"

#ifndef CSTRIP_CONSOLE_PROGRAM
#include "form1.h"
#endif

namespace {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> arguments() {
  int count = 0;
  wchar_t** given = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(cstrip::toUtf8(given[i]));
  LocalFree(given);
  return arguments;
}

#ifdef CSTRIP_CONSOLE_PROGRAM
// Starts cstrip.exe, found beside this program, with the same arguments;
// says why when it cannot, and returns 1 then.
int openWindow() {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  const std::filesystem::path program = std::filesystem::path(self).replace_extension(L".exe");
  std::wstring commandLine = GetCommandLineW();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    const auto error = static_cast<int>(GetLastError());
    const cstrip::Language language = cstrip::cli::userLanguage();
    cstrip::cli::writeText(stderr,
                           "cstrip: " +
                               cstrip::cli::text(cstrip::cli::Message::CannotStartWindow, language,
                                                 {cstrip::displayPath(program),
                                                  cstrip::describeSystemError(error, language)}) +
                               "\n");
    return 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
#else
// A window program has no console of its own. Given a command line, it
// writes to the console it was started from, if any, unless its output is
// already going somewhere else (a file, a pipe).
void useParentConsole() {
  if (GetStdHandle(STD_ERROR_HANDLE) != nullptr || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // Read access too, which a console needs to tell its mode and cursor
  // (see writeText); "r+" opens it as it is, without creating anything.
  std::FILE* ignored = nullptr;
  _wfreopen_s(&ignored, L"CONOUT$", L"r+", stdout);
  _wfreopen_s(&ignored, L"CONOUT$", L"r+", stderr);
}
#endif

}  // namespace

int main() {
  const std::vector<std::string> given = arguments();
#ifndef CSTRIP_CONSOLE_PROGRAM
  if (!given.empty()) useParentConsole();
#endif
  cstrip::cli::WindowRequest window;
  if (const auto status = cstrip::cli::runCommandLine(given, window)) return *status;
#ifdef CSTRIP_CONSOLE_PROGRAM
  return openWindow();
#else
  FreeConsole();
  Form1 form(window.paths);
  return form.exec();
#endif
}
