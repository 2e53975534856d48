#include "convert_files.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "console_streams.h"
#include "console_window.h"
#include "file_names.h"
#include "messages.h"
#include "name_pattern.h"
#include "run_conversion.h"

namespace cstrip::cli {

namespace {

namespace fs = std::filesystem;

// One file to convert.
struct Job {
  fs::path input;
  fs::path output;
  std::uintmax_t size = 0;
};

// The size of the file at `path`, or 0 when it has none to tell, as
// standard input or a missing file.
std::uintmax_t sizeOf(const fs::path& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

// Whether the file name `name` matches one of `patterns`, in the program's
// own text: a name in CP932 matches as the characters it shows.
bool matchesAny(const std::vector<std::string>& patterns, const fs::path& name) {
#ifdef _WIN32
  constexpr bool kNamesIgnoreCase = true;
#else
  constexpr bool kNamesIgnoreCase = false;
#endif
  const std::string text = displayPath(name);
  for (const std::string& pattern : patterns) {
    if (matchesPattern(pattern, text, kNamesIgnoreCase)) return true;
  }
  return false;
}

// The jobs of a -d command: a file goes into the folder by its name, a
// folder's matching files by their path below it. Folders that cannot be
// read are reported and counted in `failures`.
std::vector<Job> planJobs(const Command& command, Language language, int& failures) {
  const fs::path folder = command.outputFolder;
  std::error_code error;
  const fs::file_status folderStatus = fs::status(folder, error);
  std::vector<Job> jobs;
  for (const fs::path& argument : command.paths) {
    const fs::path given = findFile(argument);
    fs::path name = given.lexically_normal();
    if (!name.has_filename()) name = name.parent_path();
    if (!fs::is_directory(given)) {
      jobs.push_back({given, folder / name.filename(), sizeOf(given)});
      continue;
    }
    // Only a folder that cannot be read stops the walk; an entry that
    // cannot be looked at, such as a dangling link, is passed over.
    std::error_code ignored;
    fs::recursive_directory_iterator it(given, error), end;
    for (; !error && it != end; it.increment(error)) {
      // The output folder is never walked, even when it lies inside.
      if (it->is_directory(ignored) && fs::exists(folderStatus) &&
          fs::equivalent(it->path(), folder, ignored)) {
        it.disable_recursion_pending();
      } else if (it->is_regular_file(ignored) &&
                 matchesAny(command.include, it->path().filename())) {
        const fs::path below = fs::relative(it->path(), given);
        jobs.push_back({it->path(), folder / name.filename() / below, sizeOf(it->path())});
      }
    }
    if (error) {
      std::fprintf(stderr, "cstrip: %s\n",
                   text(Message::CannotReadFolder, language,
                        {displayPath(given), describeErrorCode(error, language)})
                       .c_str());
      ++failures;
    }
  }
  std::map<fs::path, const Job*> byOutput;
  for (const Job& job : jobs) {
    const auto [at, added] = byOutput.emplace(job.output.lexically_normal(), &job);
    if (!added) {
      throw UsageError(text(Message::SameOutput, language,
                            {displayPath(at->second->input), displayPath(job.input)}));
    }
  }
  return jobs;
}

}  // namespace

int convertFiles(const Command& command, Language language) {
  int failures = 0;
  std::vector<Job> jobs;
  if (command.outputFolder.empty()) {
    jobs.push_back({command.paths[0], command.paths[1], sizeOf(findFile(command.paths[0]))});
  } else {
    jobs = planJobs(command, language, failures);
  }
  std::uintmax_t totalBytes = 0;
  for (const Job& job : jobs) totalBytes += job.size;

  std::mutex printing;
  std::atomic<std::size_t> next = 0;
  std::atomic<std::size_t> done = 0;
  std::atomic<std::uintmax_t> bytesRead = 0;
  std::atomic<int> failed = failures;
  auto work = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      const Job& job = jobs[i];
      ConsoleWindow window(*command.mode, job.input, job.output, &bytesRead);
      std::optional<std::string> failure;
      try {
        if (!command.outputFolder.empty()) fs::create_directories(job.output.parent_path());
        RunConversion(window);
      } catch (const RunError& error) {
        failure = describe(error, language);
      } catch (const fs::filesystem_error& error) {
        failure = text(Message::CannotMakeFolder, language,
                       {displayPath(error.path1()), describeErrorCode(error.code(), language)});
      }
      const std::lock_guard lock(printing);
      if (failure) {
        std::fprintf(stderr, "cstrip: %s\n", failure->c_str());
        ++failed;
      } else if (command.verbose) {
        std::printf("%s\n",
                    text(Message::Converted, language,
                         {displayPath(job.output), formatLineCount(window.count().value_or(0))})
                        .c_str());
      }
      ++done;
    }
  };
  const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(command.jobs, jobs.size()));
  std::vector<std::jthread> threads;
  for (unsigned i = 1; i < workers; ++i) threads.emplace_back(work);

  // Progress, only for a person watching long work.
  const bool showProgress =
      stderrIsTerminal() && (jobs.size() >= 100 || totalBytes >= (std::uintmax_t{64} << 20));
  std::jthread progress;
  if (showProgress) {
    progress = std::jthread([&](std::stop_token stop) {
      while (!stop.stop_requested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto percent = totalBytes == 0
                                 ? 100 * done / jobs.size()
                                 : std::min<std::uintmax_t>(99, 100 * bytesRead / totalBytes);
        const std::lock_guard lock(printing);
        std::fprintf(
            stderr, "\r%s\033[K",
            text(Message::Progress, language,
                 {std::to_string(percent), std::to_string(done), std::to_string(jobs.size())})
                .c_str());
      }
      std::fputs("\r\033[K", stderr);
    });
  }
  work();
  for (std::jthread& thread : threads) thread.join();
  if (progress.joinable()) {
    progress.request_stop();
    progress.join();
  }
  if (std::fflush(stdout) != 0) ++failed;
  return failed > 0 ? 1 : 0;
}

}  // namespace cstrip::cli
