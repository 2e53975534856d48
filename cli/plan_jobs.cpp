#include "plan_jobs.h"

#include <algorithm>
#include <map>
#include <utility>

#include "file_names.h"
#include "file_tree.h"
#include "messages.h"
#include "name_pattern.h"
#include "process_stop.h"

namespace cstrip::cli {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kNamesIgnoreCase = true;
#else
constexpr bool kNamesIgnoreCase = false;
#endif

using IdentityKey = std::pair<std::uint64_t, std::uint64_t>;

IdentityKey keyOf(FileIdentity identity) {
  return {identity.volume, identity.file};
}

// Whether the entry at `path`, its path below the folder walked in the
// program's own text (a name in CP932 as the characters it shows), matches
// one of `patterns`.
bool matchesAny(const std::vector<std::string>& patterns, std::string_view text) {
  for (const std::string& pattern : patterns) {
    if (matchesPath(pattern, text, kNamesIgnoreCase)) return true;
  }
  return false;
}

// Whether `output` lies strictly inside `folder`, as written: it starts
// with `folder`, and what follows is names, none of them . or .. (read as
// text: a deep tree's paths are long, and many).
bool liesInside(const fs::path& output, const fs::path& folder) {
  using Text = fs::path::string_type;
  const Text& path = output.native();
  if (!path.starts_with(folder.native())) return false;
  const auto separator = [](auto c) { return c == '/' || c == fs::path::preferred_separator; };
  bool named = false;
  bool afterSeparator = folder.native().empty() || separator(folder.native().back());
  for (std::size_t start = folder.native().size(); start < path.size();) {
    if (!afterSeparator && !separator(path[start])) return false;  // "out" and "outer"
    while (start < path.size() && separator(path[start])) ++start;
    std::size_t end = start;
    while (end < path.size() && !separator(path[end])) ++end;
    const Text part = path.substr(start, end - start);
    if (part == Text(1, '.') || part == Text(2, '.')) return false;
    named = named || !part.empty();
    start = end;
    afterSeparator = false;
  }
  return named;
}

// The path an operand keeps under DIR with --parents: as given, without
// its root and without the names "." (./a/b.c goes to DIR/a/b.c, as cp
// --parents puts it). A ".." is kept, and refused as leading out of DIR.
fs::path keptPath(const fs::path& given) {
  fs::path kept;
  for (const fs::path& name : given.relative_path()) {
    if (!name.empty() && name != ".") kept /= name;
  }
  return kept;
}

class Planner {
 public:
  Planner(const Command& command, Language language)
      : command_(command),
        language_(language),
        folder_(command.outputFolder),
        folderIdentity_(SystemFile::identityOf(folder_)) {
    plan_.folders.push_back({folder_, {}, FileAccess{0777}, kNoFolder});
  }

  void addOperand(const fs::path& given) {
    const fs::path input = findFile(given);
    std::error_code error;
    const FileFacts facts = factsOf(input, true, error);  // operands are followed
    if (!error) refuseInsideOutputFolder(given, input, facts);
    fs::path output = folder_ / operandName(given, input);
    base_ = 0;
    if (command_.parents) {
      output = folder_ / keptPath(given);
      base_ = parentFolders(given);
    }
    if (!error && facts.type == FileFacts::Type::Folder) {
      const std::size_t before = plan_.jobs.size() + plan_.notes.size() + plan_.failures.size();
      walk(input, facts, output, {});
      if (before == plan_.jobs.size() + plan_.notes.size() + plan_.failures.size() &&
          processStopSignal() == 0) {
        fail(text(Message::NothingMatched, language_, {displayPath(given)}));
      }
      return;
    }
    // Anything else is converted as named; the run reports what is wrong.
    Job job;
    job.input = given;
    job.output = output;
    job.size = facts.size;
    job.rules.replaceOutput = true;
    job.folder = base_;
    job.regularInput = !error && facts.type == FileFacts::Type::File;
    if (job.regularInput) inputs_.emplace(keyOf(facts.identity), given);
    plan_.jobs.push_back(std::move(job));
  }

  Plan finish() && {
    if (plan_.jobs.empty()) plan_.folders.clear();  // nothing to write: not even DIR is made
    // Every output, and every folder made, by its key: a file and a folder
    // may not share a name either.
    std::map<fs::path::string_type, const fs::path*> byOutput;
    // The output folders that a link stands in for now, or that lie below
    // one: the run replaces the link, so nothing there is an output yet.
    std::vector<bool> behindLink(plan_.folders.size());
    for (std::size_t i = 1; i < plan_.folders.size(); ++i) {
      const OutputFolder& folder = plan_.folders[i];
      byOutput.emplace(outputKey(folder.path), &folder.source);
      std::error_code error;
      behindLink[i] =
          folderIdentity_ && (behindLink[folder.parent] ||
                              factsOf(folder.path, false, error).type == FileFacts::Type::Link);
    }
    for (const Job& job : plan_.jobs) {
      // Built from names that are never . or .., each output lies in DIR;
      // checked all the same, on the very path written.
      if (!liesInside(job.output, folder_)) {
        throw UsageError(text(Message::OutsideOutputFolder, language_,
                              {displayPath(job.output), displayPath(folder_)}));
      }
      const auto [at, added] = byOutput.emplace(outputKey(job.output), &job.input);
      if (!added) {
        throw UsageError(text(Message::SameOutput, language_,
                              {displayPath(*at->second), displayPath(job.input)}));
      }
      // No output exists before DIR does.
      if (!folderIdentity_ || behindLink[job.folder]) continue;
      std::error_code error;
      const FileFacts existing = factsOf(job.output, false, error);
      const auto input = inputs_.find(keyOf(existing.identity));
      if (!error && existing.type == FileFacts::Type::File && input != inputs_.end()) {
        throw UsageError(text(Message::OutputIsInput, language_,
                              {displayPath(job.output), displayPath(input->second)}));
      }
    }
    return std::move(plan_);
  }

 private:
  // A folder being walked, and its output folder, registered in the plan
  // once a job needs it.
  struct Level {
    fs::path input;
    fs::path output;
    FileAccess access;
    std::size_t folder = kNoFolder;
  };

  // The name an operand's output takes: its own as given, or for . and ..
  // (which would name a place outside DIR) its real folder's.
  static fs::path operandName(const fs::path& given, const fs::path& input) {
    fs::path name = given.has_filename() ? given.filename() : given.parent_path().filename();
    if (name == "." || name == "..") {
      std::error_code error;
      name = fs::canonical(input, error).filename();
    }
    return name;
  }

  // Refuses DIR itself as an operand, and any operand inside it, which the
  // conversion would write while reading.
  void refuseInsideOutputFolder(const fs::path& given, const fs::path& input,
                                const FileFacts& facts) {
    if (!folderIdentity_) return;
    if (facts.identity == *folderIdentity_) {
      throw UsageError(text(Message::IsOutputFolder, language_, {displayPath(given)}));
    }
    std::error_code error;
    const fs::path real = fs::canonical(input, error);
    for (fs::path above = real.parent_path(); !error; above = above.parent_path()) {
      if (SystemFile::identityOf(above) == folderIdentity_) {
        throw UsageError(
            text(Message::InOutputFolder, language_, {displayPath(given), displayPath(folder_)}));
      }
      if (above == above.parent_path()) break;
    }
  }

  // Walks `folder`, found at `below` under the operand folder (as text,
  // names split by /), into `output`.
  void walk(const fs::path& folder, const FileFacts& facts, const fs::path& output,
            const std::string& below) {
    if (processStopSignal() != 0) return;           // the plan is not carried out then
    if (folderIdentity_ == facts.identity) return;  // DIR is never walked, wherever it lies
    if (std::find(ancestors_.begin(), ancestors_.end(), facts.identity) != ancestors_.end()) {
      return fail(text(Message::LinkLoop, language_, {displayPath(folder)}));
    }
    std::error_code error;
    std::vector<FolderEntry> entries = listFolder(folder, error);
    if (error) {
      return fail(text(Message::CannotReadFolder, language_,
                       {displayPath(folder), describeErrorCode(error, language_)}));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ancestors_.push_back(facts.identity);
    levels_.push_back({folder, output, facts.access});
    for (const FolderEntry& entry : entries) {
      const fs::path input = folder / entry.name;
      // Kept as text: a deep tree's paths are long, and many.
      const std::string path = (below.empty() ? "" : below + "/") + displayPath(entry.name);
      if (matchesAny(command_.exclude, path)) continue;
      FileFacts found = entry.facts;
      const bool matches = matchesAny(command_.include, path);
      if (found.type == FileFacts::Type::Link && command_.followLinks) {
        // Followed to learn whether it leads to a folder; one that leads
        // nowhere matters only where its name would have been converted.
        std::error_code linkError;
        found = factsOf(input, true, linkError);
        if (linkError) {
          if (matches) {
            fail(text(Message::CannotFollowLink, language_,
                      {displayPath(input), describeErrorCode(linkError, language_)}));
          }
          continue;
        }
      }
      if (found.type == FileFacts::Type::Folder) {
        walk(input, found, output / entry.name, path);
      } else if (matches) {
        take(input, output / entry.name, found);
      }
    }
    levels_.pop_back();
    ancestors_.pop_back();
  }

  // A matching entry met in a walk.
  void take(const fs::path& input, const fs::path& output, const FileFacts& facts) {
    std::error_code error;
    std::optional<fs::path> target;
    if (facts.type == FileFacts::Type::Link) target = readLink(input, error);
    if (facts.type == FileFacts::Type::Other || error) {
      plan_.notes.push_back(text(Message::Skipped, language_, {displayPath(input)}));
      return;
    }
    Job job;
    job.input = input;
    job.output = output;
    job.size = facts.size;
    job.rules.walkedInput = true;
    job.rules.followLinks = command_.followLinks;
    job.rules.replaceOutput = true;
    job.linkTarget = std::move(target);
    job.folder = currentFolder();
    if (facts.type == FileFacts::Type::File) inputs_.emplace(keyOf(facts.identity), input);
    plan_.jobs.push_back(std::move(job));
  }

  // The output folder of the folder being walked, registered in the plan
  // with those above it that are not yet.
  std::size_t currentFolder() {
    std::size_t parent = base_;  // DIR, or with --parents the operand's place in it
    for (Level& level : levels_) {
      if (level.folder == kNoFolder) {
        level.folder = plan_.folders.size();
        plan_.folders.push_back({level.output, level.input, level.access, parent});
      }
      parent = level.folder;
    }
    return parent;
  }

  // Registers the output folders of each folder above `given`, an operand
  // kept with its path under DIR (--parents), each with the permissions of
  // the folder it stands for. Returns the one the last name goes in.
  std::size_t parentFolders(const fs::path& given) {
    std::size_t parent = 0;
    fs::path source = given.root_path(), output = folder_;
    for (const fs::path& name : keptPath(given).parent_path()) {
      source /= name;
      output /= name;
      const auto [at, added] = parentFolders_.emplace(output.native(), plan_.folders.size());
      if (added) {
        std::error_code error;
        const FileFacts facts = factsOf(source, true, error);
        plan_.folders.push_back({output, source, error ? FileAccess{0777} : facts.access, parent});
      }
      parent = at->second;
    }
    return parent;
  }

  void fail(std::string message) { plan_.failures.push_back(std::move(message)); }

  const Command& command_;
  Language language_;
  fs::path folder_;
  std::optional<FileIdentity> folderIdentity_;
  Plan plan_;
  std::vector<FileIdentity> ancestors_;
  std::vector<Level> levels_;
  std::map<IdentityKey, fs::path> inputs_;                      // every regular input, by identity
  std::map<fs::path::string_type, std::size_t> parentFolders_;  // made for --parents
  std::size_t base_ = 0;  // the output folder the operand being planned goes in
};

// The plan of -i: each file into itself. A file named twice, or one whose
// backup would replace another, is refused before anything is written.
Plan planInPlace(const Command& command, Language language) {
  Plan plan;
  std::map<IdentityKey, fs::path> inputs;
  for (const fs::path& given : command.paths) {
    Job job;
    job.input = job.output = findFile(given);
    std::error_code error;
    const FileFacts facts = factsOf(job.input, true, error);
    job.size = facts.size;
    job.rules.inPlace = true;
    job.rules.backupSuffix = command.backupSuffix;
    if (!error && facts.type == FileFacts::Type::File) {
      const auto [at, added] = inputs.emplace(keyOf(facts.identity), given);
      if (!added) {
        throw UsageError(
            text(Message::SameOutput, language, {displayPath(at->second), displayPath(given)}));
      }
    }
    plan.jobs.push_back(std::move(job));
  }
  if (command.backupSuffix.empty()) return plan;
  for (const Job& job : plan.jobs) {
    const fs::path backup = job.output.native() + command.backupSuffix;
    std::error_code error;
    const FileFacts facts = factsOf(backup, false, error);
    const auto input = inputs.find(keyOf(facts.identity));
    if (!error && facts.type == FileFacts::Type::File && input != inputs.end()) {
      throw UsageError(text(Message::OutputIsInput, language,
                            {displayPath(backup), displayPath(input->second)}));
    }
  }
  return plan;
}

}  // namespace

Plan planJobs(const Command& command, Language language) {
  if (command.inPlace) return planInPlace(command, language);
  if (command.outputFolder.empty()) {
    Job job;
    job.input = command.paths[0];
    job.output = command.paths[1];
    std::error_code error;
    const FileFacts facts = factsOf(findFile(job.input), true, error);
    job.size = facts.size;
    job.regularInput = !error && facts.type == FileFacts::Type::File;
    return {{}, {std::move(job)}, {}, {}};
  }
  Planner planner(command, language);
  for (const fs::path& operand : command.paths) planner.addOperand(operand);
  return std::move(planner).finish();
}

}  // namespace cstrip::cli
