// cstrip on Linux: the command line, without a window toolkit. Asked for
// the window, it starts the window program in its place (see
// window_main.cpp), found beside it in the build, or installed in
// CSTRIP_WINDOW_FOLDER relative to it.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "console_text.h"
#include "file_names.h"
#include "messages.h"
#include "run_command_line.h"
#include "run_error.h"

namespace {

namespace fs = std::filesystem;
using cstrip::cli::Message;

bool hasDisplay(const std::vector<std::string>& windowArguments) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return std::ranges::find(windowArguments, "-platform") != windowArguments.end();
}

// Replaces this process with the window program, given the toolkit's
// options, then "--" and the window's paths. Returns the exit status when
// that cannot be done.
int openWindow(const cstrip::cli::WindowRequest& request) {
  const cstrip::Language language = cstrip::cli::userLanguage();
  if (!hasDisplay(request.toolkitArguments)) {
    cstrip::cli::writeText(stderr, "cstrip: " + text(Message::NoDisplay, language) + "\n");
    return 2;
  }
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error).parent_path();
  fs::path program = self / "cstrip-window";
  if (!fs::exists(program, error)) program = self / CSTRIP_WINDOW_FOLDER / "cstrip-window";
  std::vector<std::string> arguments{program.string()};
  arguments.insert(arguments.end(), request.toolkitArguments.begin(),
                   request.toolkitArguments.end());
  arguments.push_back("--");
  for (const fs::path& path : request.paths) arguments.push_back(path.string());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  cstrip::cli::writeText(stderr, "cstrip: " +
                                     text(Message::CannotStartWindow, language,
                                          {cstrip::displayPath(program),
                                           cstrip::describeSystemError(errno, language)}) +
                                     "\n");
  return 127;
}

}  // namespace

int main(int argc, char* argv[]) {
  cstrip::cli::WindowRequest window;
  if (const auto status = cstrip::cli::runCommandLine({argv + 1, argv + argc}, window))
    return *status;
  return openWindow(window);
}
