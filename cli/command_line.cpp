#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <thread>

#include "file_names.h"
#include "messages.h"

namespace cstrip::cli {

namespace {

// The arguments without Qt's own window options (such as -platform
// offscreen or -style fusion), which QApplication takes when the window
// opens and which mean nothing to a conversion.
std::vector<std::string> withoutQtOptions(const std::vector<std::string>& given) {
  static const std::string kWithValue[] = {"-platform",        "-platformpluginpath",
                                           "-platformtheme",   "-plugin",
                                           "-qwindowgeometry", "-qwindowicon",
                                           "-qwindowtitle",    "-style",
                                           "-stylesheet",      "-display",
                                           "-geometry",        "-title",
                                           "-session"};
  static const std::string kFlags[] = {"-reverse", "-nograb", "-dograb", "-sync", "-widgetcount"};
  std::vector<std::string> arguments;
  for (std::size_t i = 0; i < given.size(); ++i) {
    const std::string& argument = given[i];
    if (std::ranges::find(kWithValue, argument) != std::end(kWithValue)) {
      ++i;
    } else if (std::ranges::find(kFlags, argument) == std::end(kFlags)) {
      arguments.push_back(argument);
    }
  }
  std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
  return arguments;
}

}  // namespace

Command parseCommandLine(const std::vector<std::string>& given, Language language) {
  Command command;
  command.jobs = std::max(1u, std::thread::hardware_concurrency());
  bool strip = false, stripC = false, lower = false, upper = false, help = false, version = false;
  std::string include, outputFolder;
  std::vector<std::string> paths;
  int jobs = static_cast<int>(command.jobs);

  // CLI11 reads the arguments; the help text, the messages and the checks
  // between options are the program's own, in the user's language.
  CLI::App app("cstrip");
  app.set_help_flag();
  app.allow_windows_style_options(false);  // a path may start with a slash
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  app.add_flag("--strip", strip);
  app.add_flag("--strip-c", stripC);
  app.add_flag("--keep-lines", command.keepLines);
  app.add_flag("--lower", lower);
  app.add_flag("--upper", upper);
  app.add_option("-d", outputFolder);
  app.add_option("--include", include);
  app.add_option("-j", jobs);
  app.add_flag("-v", command.verbose);
  app.add_flag("-L,--dereference", command.followLinks);
  app.add_option("paths", paths);
  try {
    std::vector<std::string> arguments = withoutQtOptions(given);
    app.parse(arguments);
  } catch (const CLI::ParseError& error) {
    throw UsageError(text(Message::BadArgument, language, {quoteControls(error.what())}));
  }

  if (help || version) {
    command.action = help ? Command::Action::Help : Command::Action::Version;
    return command;
  }
  if (strip + stripC + lower + upper > 1) throw UsageError(text(Message::OneMode, language));
  if (jobs < 1) throw UsageError(text(Message::BadJobs, language));
  command.jobs = static_cast<unsigned>(jobs);
  if (!include.empty()) command.include = CLI::detail::split(include, ',');
  // An empty -d, as from an unset variable, never falls back to IN OUT.
  if (app.count("-d") > 0 && outputFolder.empty())
    throw UsageError(text(Message::NoFolder, language));
  if (!outputFolder.empty()) command.outputFolder = pathFromText(outputFolder);
  for (const std::string& path : paths) command.paths.push_back(pathFromText(path));

  if (command.keepLines && !stripC) throw UsageError(text(Message::KeepLinesAlone, language));
  if (!strip && !stripC && !lower && !upper) {
    const bool conversionOption = app.count("-d") + app.count("--include") + app.count("-j") +
                                      app.count("-v") + app.count("-L") >
                                  0;
    if (conversionOption || command.paths.size() > 2) {
      throw UsageError(text(Message::NoMode, language));
    }
    for (std::filesystem::path& path : command.paths) path = std::filesystem::absolute(path);
    return command;
  }
  command.action = Command::Action::Convert;
  command.mode = strip ? Mode::Strip : stripC ? Mode::StripC : lower ? Mode::Lower : Mode::Upper;
  if (command.outputFolder.empty() && command.paths.size() != 2) {
    throw UsageError(text(Message::InAndOut, language));
  }
  if (command.paths.empty()) throw UsageError(text(Message::NoPaths, language));
  return command;
}

}  // namespace cstrip::cli
