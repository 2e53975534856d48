#include "run_command_line.h"

#include <cstdio>

#include "command_line.h"
#include "console_text.h"
#include "convert_files.h"
#include "messages.h"
#include "standard_output.h"
#include "system_file.h"

namespace cstrip::cli {

std::optional<int> runCommandLine(const std::vector<std::string>& arguments,
                                  WindowRequest& window) {
  guardStandardStreams();
  const Language language = userLanguage();
  try {
    const Command command = parseCommandLine(arguments, language);
    switch (command.action) {
      case Command::Action::OpenWindow:
        window = {command.paths, command.windowArguments};
        return std::nullopt;
      case Command::Action::Help:
        printOut(text(Message::Help, language));
        return finishStandardOutput(language) ? 0 : 1;
      case Command::Action::Version:
        printOut("cstrip " CSTRIP_VERSION "\n");
        return finishStandardOutput(language) ? 0 : 1;
      case Command::Action::Convert:
        return convertFiles(command, language);
    }
  } catch (const UsageError& error) {
    writeText(stderr, "cstrip: " + std::string(error.what()) + "\n" +
                          text(Message::TryHelp, language) + "\n");
  }
  return 2;
}

}  // namespace cstrip::cli
