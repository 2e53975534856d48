#include "convert_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "console_streams.h"
#include "console_text.h"
#include "console_window.h"
#include "file_list.h"
#include "file_names.h"
#include "file_tree.h"
#include "messages.h"
#include "plan_jobs.h"
#include "process_stop.h"
#include "run_conversion.h"
#include "standard_output.h"
#include "stop_signals.h"

namespace cstrip::cli {

namespace {

namespace fs = std::filesystem;

// Ends the process by the stop signal that came, if one did; no run may be
// going on then.
void endIfStopped() {
  if (const int signal = processStopSignal()) endByStopSignal(signal);
}

// Counts a run going on while it lives: a stop lets the runs finish
// stopping before the process ends.
class InFlight {
 public:
  explicit InFlight(std::atomic<int>& count) : count_(count) { ++count_; }
  ~InFlight() { --count_; }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

 private:
  std::atomic<int>& count_;
};

// Where the command's own lines go: failures and warnings to stderr, -v's
// notes to stdout as cp -v prints them, or to stderr when the data goes to
// stdout; each on a line of its own, a progress line cleared first. Once
// threads run, called with the printing lock held.
class Reporter {
 public:
  explicit Reporter(bool notesToStandardError) : notesToStandardError_(notesToStandardError) {}

  void report(const std::string& message) {
    clearProgress();
    writeText(stderr, "cstrip: " + message + "\n");
  }
  void note(const std::string& line) {
    clearProgress();
    if (notesToStandardError_) {
      writeText(stderr, line + "\n");
    } else {
      printOut(line + "\n");
    }
  }
  void progress(const std::string& line) {
    if (!notesToStandardError_) std::fflush(stdout);
    writeText(stderr, "\r" + line + "\033[K");
    progressShown_ = true;
  }
  void clearProgress() {
    if (!std::exchange(progressShown_, false)) return;
    writeText(stderr, "\r\033[K");
  }

 private:
  bool notesToStandardError_;
  bool progressShown_ = false;
};

// Makes the plan's output folders, each after its parent; one that cannot
// be made is reported, and those below it are not tried. Returns which
// were made.
std::vector<bool> makeFolders(const Plan& plan, Language language, Reporter& reporter,
                              int& failures) {
  std::vector<bool> made(plan.folders.size());
  for (std::size_t i = 0; i < plan.folders.size() && processStopSignal() == 0; ++i) {
    const OutputFolder& folder = plan.folders[i];
    if (folder.parent != kNoFolder && !made[folder.parent]) continue;
    std::error_code error;
    if (folder.parent == kNoFolder) {
      fs::create_directories(folder.path, error);  // DIR, as the user named it
    } else {
      makeOutputFolder(folder.path, folder.access, error);
    }
    if (error) {
      reporter.report(text(Message::CannotMakeFolder, language,
                           {displayPath(folder.path), describeErrorCode(error, language)}));
      ++failures;
    }
    made[i] = !error;
  }
  return made;
}

// What a dry run can tell of a job without converting it: an input that
// is missing, cannot be read, is a folder, or is not a regular file where
// one is needed. A FIFO or device is not opened, which could wait.
std::optional<std::string> dryRunFailure(const Job& job, Language language) {
  if (job.linkTarget || isStandardStream(job.input)) return std::nullopt;
  const bool walked = job.rules.walkedInput;
  const fs::path input = walked ? job.input : findFile(job.input);
  std::error_code error;
  const FileFacts facts = factsOf(input, !walked || job.rules.followLinks, error);
  try {
    if (error) throw RunError(Failure::OpenInput, job.input, error.value());
    if (facts.type == FileFacts::Type::Folder) {
      throw RunError(Failure::OpenInput, job.input, kFolderError);
    }
    if (facts.type == FileFacts::Type::File) {
      SystemFile::openToRead(input, true);
    } else if (job.rules.inPlace) {
      throw RunError(Failure::NotRegularInPlace, job.input);
    }
  } catch (const RunError& failure) {
    return describe(failure, language);
  }
  return std::nullopt;
}

// Whether `path` is where standard output goes, so that nothing else may
// be printed there.
bool isStandardOutput(const fs::path& path) {
  if (isStandardStream(path)) return true;
#ifdef _WIN32
  return false;
#else
  const auto output = SystemFile::identityOf("/dev/stdout");
  return output && SystemFile::identityOf(path) == output;
#endif
}

}  // namespace

int convertFiles(const Command& given, Language language) {
  const StopSignals stopSignals;
  Command command = given;
  if (command.filesFrom) {
    std::error_code error;
    std::vector<fs::path> listed = readFileList(*command.filesFrom, command.nullSeparated, error);
    if (error) {
      Reporter(false).report(
          text(Message::CannotReadList, language,
               {displayPath(*command.filesFrom), describeErrorCode(error, language)}));
      return 1;
    }
    command.paths.insert(command.paths.end(), listed.begin(), listed.end());
    endIfStopped();
    if (command.paths.empty()) return 0;  // an empty list, as from a find that found nothing
  }
  Plan plan;
  try {
    plan = planJobs(command, language);
  } catch (const UsageError&) {
    endIfStopped();  // a walk cut short by a signal proves nothing wrong
    throw;
  }
  endIfStopped();
  // -v goes where cp -v prints, unless the data goes there.
  const bool notesToStandardError =
      std::ranges::any_of(plan.jobs, [](const Job& job) { return isStandardOutput(job.output); });
  Reporter reporter(notesToStandardError);
  for (const std::string& failure : plan.failures) reporter.report(failure);
  int failures = static_cast<int>(plan.failures.size());
  if (command.dryRun) {
    for (const Job& job : plan.jobs) {
      if (const auto failure = dryRunFailure(job, language)) {
        reporter.report(*failure);
        ++failures;
      } else {
        printOut(displayPath(job.output) + "\n");
      }
    }
    if (!finishStandardOutput(language)) ++failures;
    return failures > 0 ? 1 : 0;
  }
  if (command.verbose) {
    for (const std::string& note : plan.notes) reporter.note(note);
  }
  const std::vector<bool> folderMade = makeFolders(plan, language, reporter, failures);
  const std::vector<Job>& jobs = plan.jobs;
  std::uintmax_t totalBytes = 0;
  for (const Job& job : jobs) totalBytes += job.size;

  // Printing waits on the reader of stdout or stderr, which may have stopped
  // reading; once the process is asked to stop, a thread gives up waiting
  // for another that holds the lock.
  std::timed_mutex printing;
  const auto lockPrinting = [&printing] {
    std::unique_lock lock(printing, std::defer_lock);
    while (!lock.try_lock_for(std::chrono::milliseconds(20)) && processStopSignal() == 0) {
    }
    return lock;
  };
  std::atomic<std::size_t> next = 0;
  std::atomic<std::size_t> done = 0;
  std::atomic<std::uintmax_t> bytesRead = 0;
  std::atomic<int> failed = failures;
  std::atomic<int> inFlight = 0;
  auto work = [&] {
    for (;;) {
      // Counted before the stop is looked at, so that the main thread never
      // misses a run about to start.
      std::optional<InFlight> running(std::in_place, inFlight);
      const std::size_t i = next++;
      if (i >= jobs.size() || processStopSignal() != 0) return;
      const Job& job = jobs[i];
      if (job.folder != kNoFolder && !folderMade[job.folder]) {
        ++failed;  // its folder's failure is reported
        bytesRead += job.size;
        ++done;
        continue;
      }
      std::optional<std::string> failure;
      std::optional<std::string> warning;
      std::string shown;
      bool stopped = false;
      if (job.linkTarget) {
        std::error_code error;
        replaceWithLink(job.output, *job.linkTarget, error);
        if (error) {
          failure = text(Message::CannotMakeLink, language,
                         {displayPath(job.output), describeErrorCode(error, language)});
        }
        shown = text(Message::LinkMade, language,
                     {displayPath(job.output), displayPath(*job.linkTarget)});
      } else {
        ConsoleWindow window(*command.mode, job.input, job.output, job.rules);
        window.countBytes(bytesRead, job.size);
        window.setKeepLines(command.keepLines);
        try {
          RunConversion(window);
          if (const auto line = window.unterminatedCommentLine()) {
            warning = text(Message::UnterminatedComment, language,
                           {displayPath(job.input), formatLineCount(*line)});
          }
        } catch (const RunError& error) {
          failure = describe(error, language);
        }
        stopped = window.stopped();
        window.settleBytes();
        shown = text(Message::Converted, language,
                     {displayPath(job.output), formatLineCount(window.count().value_or(0))});
      }
      running.reset();
      // A run the stop request cut short failed or stopped for that alone.
      if (processStopSignal() != 0 && (failure || stopped)) return;
      const auto lock = lockPrinting();
      if (!lock) return;
      if (warning && !command.quiet) reporter.report(*warning);
      if (failure) {
        reporter.report(*failure);
        ++failed;
      } else if (command.verbose) {
        reporter.note(shown);
      }
      ++done;
    }
  };
  // Standard input, FIFOs and devices may keep a read waiting: their jobs
  // run on the main thread alone, where a stop signal interrupts the wait.
  const bool mayWait =
      std::any_of(jobs.begin(), jobs.end(), [](const Job& job) { return !job.regularInput; });
  const std::size_t workers = mayWait ? 1 : std::min<std::size_t>(command.jobs, jobs.size());
  std::vector<std::jthread> threads;
  try {
    while (threads.size() + 1 < workers) {
      threads.push_back(startWorker([&](std::stop_token) { work(); }));
    }
  } catch (const std::system_error&) {
    // Fewer threads than asked for: the batch runs with those it has.
  }

  // Progress, only for a person watching long work.
  const bool showProgress = !command.quiet && stderrIsTerminal() &&
                            (jobs.size() >= 100 || totalBytes >= (std::uintmax_t{64} << 20));
  std::jthread progress;
  if (showProgress) {
    try {
      progress = startWorker([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          // Each byte counted once, and 100% only when every file is done.
          const std::size_t finished = done;
          const auto percent = finished == jobs.size() ? 100
                               : totalBytes == 0
                                   ? 100 * finished / jobs.size()
                                   : std::min<std::uintmax_t>(99, 100 * bytesRead / totalBytes);
          const auto lock = lockPrinting();
          if (!lock) return;
          reporter.progress(text(
              Message::Progress, language,
              {std::to_string(percent), std::to_string(finished), std::to_string(jobs.size())}));
        }
        const auto lock = lockPrinting();
        if (lock) reporter.clearProgress();
      });
    } catch (const std::system_error&) {
      // No progress line then.
    }
  }
  work();
  if (processStopSignal() != 0) {
    // Each run stops at its next buffer; a thread that only prints may wait
    // on its reader for ever, and is not waited for.
    while (inFlight != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    endIfStopped();
  }
  for (std::jthread& thread : threads) thread.join();
  if (progress.joinable()) {
    progress.request_stop();
    progress.join();
  }
  if (!finishStandardOutput(language)) ++failed;
  endIfStopped();  // one that came while the last lines were written out
  return failed > 0 ? 1 : 0;
}

}  // namespace cstrip::cli
