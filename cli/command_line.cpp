#include "command_line.h"

#include <algorithm>
#include <charconv>
#include <ranges>
#include <thread>

#include "file_names.h"
#include "messages.h"
#include "name_pattern.h"
#include "options.h"
#include "system_file.h"

namespace cstrip::cli {

namespace {

namespace fs = std::filesystem;

// The option named by `name`, the text after "--" and before any "=": its
// whole long name, or a beginning that only one long name has.
const OptionEntry& longOption(std::string_view name, const std::string& given, Language language) {
  std::vector<const OptionEntry*> found;
  if (name.empty()) throw UsageError(text(Message::UnknownOption, language, {given}));
  for (const OptionEntry& entry : kOptions) {
    if (entry.longName == name) return entry;
    if (entry.longName.starts_with(name)) found.push_back(&entry);
  }
  if (found.size() == 1) return *found[0];
  if (found.empty()) throw UsageError(text(Message::UnknownOption, language, {given}));
  std::string names;
  for (const OptionEntry* entry : found)
    names += (names.empty() ? "--" : ", --") + std::string(entry->longName);
  throw UsageError(text(Message::Ambiguous, language, {given, names}));
}

const OptionEntry* shortOption(char name) {
  const auto found = std::ranges::find_if(
      kOptions, [name](const OptionEntry& entry) { return entry.shortName == name; });
  return found == std::end(kOptions) ? nullptr : &*found;
}

unsigned jobCount(std::string_view value, Language language) {
  unsigned jobs = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
  if (error != std::errc{} || end != value.data() + value.size() || jobs < 1) {
    throw UsageError(text(Message::BadJobs, language, {quoteControls(std::string(value))}));
  }
  return jobs;
}

// The options given and their values, as read; checked together afterwards.
class Reading {
 public:
  Reading(Command& command, Language language) : command_(command), language_(language) {}

  void take(const OptionEntry& entry, const std::string& value) {
    given_.push_back(entry.option);
    switch (entry.option) {
      case Option::StripC:
        return chooseMode(Mode::StripC);
      case Option::Strip:
        return chooseMode(Mode::Strip);
      case Option::Lower:
        return chooseMode(Mode::Lower);
      case Option::Upper:
        return chooseMode(Mode::Upper);
      case Option::KeepLines:
        command_.keepLines = true;
        return;
      case Option::InPlace:
        command_.inPlace = true;
        return;
      case Option::Backup:
        command_.backupSuffix = pathFromText(value).native();
        return;
      case Option::OutputDir:
        // An empty -d, as from an unset variable, never falls back to IN OUT.
        if (value.empty()) throw UsageError(text(Message::NoFolder, language_));
        command_.outputFolder = pathFromText(value);
        return;
      case Option::Parents:
        command_.parents = true;
        return;
      case Option::FilesFrom:
        command_.filesFrom = pathFromText(value);
        return;
      case Option::Null:
        command_.nullSeparated = true;
        return;
      case Option::Dereference:
        command_.followLinks = true;
        return;
      case Option::Include:
        if (!includeGiven_) command_.include.clear();
        includeGiven_ = true;
        return append(command_.include, splitPatterns(value));
      case Option::Exclude:
        return append(command_.exclude, splitPatterns(value));
      case Option::DryRun:
        command_.dryRun = true;
        return;
      case Option::Jobs:
        command_.jobs = jobCount(value, language_);
        return;
      case Option::Verbose:
        command_.verbose = true;
        return;
      case Option::Quiet:
        command_.quiet = true;
        return;
      case Option::Help:
        help_ = true;
        return;
      case Option::Version:
        version_ = true;
        return;
    }
  }

  bool given(Option option) const { return std::ranges::find(given_, option) != given_.end(); }
  bool anyGiven() const { return !given_.empty(); }
  bool help() const { return help_; }
  bool version() const { return version_; }

 private:
  void chooseMode(Mode mode) {
    if (command_.mode && *command_.mode != mode)
      throw UsageError(text(Message::OneMode, language_));
    command_.mode = mode;
  }
  static void append(std::vector<std::string>& to, std::vector<std::string> more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }

  Command& command_;
  Language language_;
  std::vector<Option> given_;
  bool includeGiven_ = false;
  bool help_ = false;
  bool version_ = false;
};

}  // namespace

Command parseCommandLine(const std::vector<std::string>& arguments, Language language) {
  Command command;
  command.jobs = std::max(1u, std::thread::hardware_concurrency());
  Reading reading(command, language);
  std::vector<std::string> operands;
  const auto usage = [language](Message message, std::initializer_list<std::string> values = {}) {
    return UsageError(text(message, language, values));
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // The value of an option that takes one: what follows in the argument,
    // or the next argument.
    const auto valueAfter = [&](std::string_view option, std::size_t at) {
      if (at < argument.size()) return argument.substr(at);
      if (i + 1 == arguments.size()) throw usage(Message::NeedsValue, {std::string(option)});
      return arguments[++i];
    };
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      operands.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (std::ranges::find(kWindowOptionsWithValue, argument) !=
               std::end(kWindowOptionsWithValue)) {
      command.windowArguments.push_back(argument);
      command.windowArguments.push_back(valueAfter(argument, argument.size()));
    } else if (std::ranges::find(kWindowFlags, argument) != std::end(kWindowFlags)) {
      command.windowArguments.push_back(argument);
    } else if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      const std::string name = argument.substr(2, equals - 2);
      const OptionEntry& entry =
          longOption(name, quoteControls(argument.substr(0, equals)), language);
      const std::string option = "--" + std::string(entry.longName);
      if (entry.value.empty()) {
        if (equals != std::string::npos) throw usage(Message::TakesNoValue, {option});
        reading.take(entry, {});
      } else if (equals != std::string::npos) {
        reading.take(entry, argument.substr(equals + 1));  // empty too, as from an unset variable
      } else {
        reading.take(entry, valueAfter(option, argument.size()));
      }
    } else {
      for (std::size_t at = 1; at < argument.size(); ++at) {
        const OptionEntry* entry = shortOption(argument[at]);
        if (entry == nullptr)
          throw usage(Message::InvalidOption, {quoteControls(argument.substr(at, 1))});
        if (entry->value.empty()) {
          reading.take(*entry, {});
          continue;
        }
        reading.take(*entry, valueAfter(std::string{'-', entry->shortName}, at + 1));
        break;
      }
    }
  }

  if (reading.help() || reading.version()) {
    command.action = reading.help() ? Command::Action::Help : Command::Action::Version;
    return command;
  }
  for (const std::string& operand : operands) command.paths.push_back(pathFromText(operand));
  if (!command.mode) {
    if (reading.anyGiven() || command.paths.size() > 2) throw usage(Message::NoMode);
    for (fs::path& path : command.paths) path = fs::absolute(path);
    return command;
  }
  command.action = Command::Action::Convert;
  if (!command.windowArguments.empty()) {
    throw usage(Message::UnknownOption, {quoteControls(command.windowArguments[0])});
  }
  const auto needs = [&](Option option, bool with, Message message) {
    if (reading.given(option) && !with) throw usage(message);
  };
  needs(Option::KeepLines, command.mode == Mode::StripC, Message::KeepLinesAlone);
  needs(Option::Backup, command.inPlace, Message::BackupAlone);
  needs(Option::Parents, !command.outputFolder.empty(), Message::ParentsAlone);
  needs(Option::Null, command.filesFrom.has_value(), Message::NullAlone);
  needs(Option::FilesFrom, command.inPlace || !command.outputFolder.empty(), Message::ListAlone);
  if (command.inPlace && !command.outputFolder.empty()) throw usage(Message::InPlaceAndFolder);
  if (reading.given(Option::Backup)) {
    const fs::path suffix(command.backupSuffix);
    if (suffix.empty() || suffix.has_parent_path() || suffix.filename() != suffix) {
      throw usage(Message::BadBackup);
    }
  }
  const bool standardStream = std::ranges::any_of(
      command.paths, [](const fs::path& path) { return isStandardStream(path); });
  if (command.inPlace || !command.outputFolder.empty()) {
    if (standardStream)
      throw usage(command.inPlace ? Message::InPlaceStream : Message::FolderStream);
    if (command.paths.empty() && !command.filesFrom) throw usage(Message::NoPaths);
    return command;
  }
  if (command.paths.size() > 2) throw usage(Message::InAndOut);
  // A filter, as sed and tr are: standard input to standard output.
  while (command.paths.size() < 2) command.paths.push_back("-");
  return command;
}

}  // namespace cstrip::cli
