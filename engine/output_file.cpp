#include "output_file.h"

#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <utility>

#include "file_names.h"
#include "run_error.h"

namespace cstrip {

OutputFile::OutputFile(const std::string& path, FileIdentity input, std::size_t bufferSize)
    : path_(path),
      bufferSize_(bufferSize),
      buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {
  if (path.empty()) throw RunError(Failure::NoOutputPath);
  // Past a file-size limit (ulimit -f) a write should fail with EFBIG and be
  // reported like any other failure, not end the program by a signal.
  static const bool kFileSizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  (void)kFileSizeSignalIgnored;

  // An existing file that is the input is refused before it is opened for
  // writing, which could wait on leases, wake file watchers or fail for a
  // reason of its own (read-only, a running program).
  const bool standardOutput = path == kStandardStream;
  struct stat status {};
  if (!standardOutput && ::stat(path.c_str(), &status) == 0 && FileIdentity::of(status) == input) {
    throw RunError(Failure::SameFile, path);
  }
  // Opened without O_TRUNC and checked again: the path may have come to name
  // the input since, and the file is emptied only once it is known not to.
  FileDescriptor fd(standardOutput ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                                   : ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.valid()) throw RunError(Failure::OpenOutput, path, errno);
  if (::fstat(fd.get(), &status) != 0) throw RunError(Failure::OpenOutput, path, errno);
  if (FileIdentity::of(status) == input) throw RunError(Failure::SameFile, path);
  // Devices and pipes cannot be truncated and need not be; standard output
  // is written where the shell put it, appending or not.
  if (!standardOutput && S_ISREG(status.st_mode) && ::ftruncate(fd.get(), 0) != 0) {
    throw RunError(Failure::EmptyOutput, path, errno);
  }
  fd_ = std::move(fd);
}

OutputFile::~OutputFile() {
  if (!fd_.valid()) return;
  try {
    flush();
  } catch (const RunError&) {
    // The run has already failed or stopped; its own error is the one reported.
  }
}

void OutputFile::flushThenWrite(std::span<const char> bytes) {
  flush();
  if (bytes.size() >= directWriteSize()) {
    writeAll(bytes.data(), bytes.size());
  } else {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

void OutputFile::flush() {
  const std::size_t size = std::exchange(used_, 0);
  writeAll(buffer_.get(), size);
}

void OutputFile::writeAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_.get(), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw RunError(Failure::WriteOutput, path_, errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void OutputFile::close() {
  if (!fd_.valid()) return;
  flush();  // if it throws, the destructor closes the file
  if (::close(fd_.release()) != 0 && errno != EINTR) {
    throw RunError(Failure::CloseOutput, path_, errno);
  }
}

}  // namespace cstrip
