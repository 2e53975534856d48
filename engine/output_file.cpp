#include "output_file.h"

#include <utility>

#include "run_error.h"

namespace cstrip {

OutputFile::OutputFile(const std::filesystem::path& path, FileIdentity input,
                       std::size_t bufferSize)
    : bufferSize_(bufferSize), buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {
  if (path.empty()) throw RunError(Failure::NoOutputPath);
  // An existing file that is the input is refused before it is opened for
  // writing, which could wait on leases, wake file watchers or fail for a
  // reason of its own (read-only, a running program).
  if (!isStandardStream(path) && SystemFile::identityOf(path) == input) {
    throw RunError(Failure::SameFile, path);
  }
  // Opened without emptying it and checked again: the path may have come to
  // name the input since, and the file is emptied only once it is known not to.
  SystemFile file = SystemFile::openToWrite(path);
  if (file.identity() == input) throw RunError(Failure::SameFile, path);
  // Devices and pipes cannot be emptied and need not be.
  if (file.truncatable()) file.truncate();
  file_ = std::move(file);
}

OutputFile::~OutputFile() {
  if (!file_) return;
  try {
    flush();
  } catch (const RunError&) {
    // The run has already failed or stopped; its own error is the one reported.
  }
}

void OutputFile::flushThenWrite(std::span<const char> bytes) {
  flush();
  if (bytes.size() >= directWriteSize()) {
    file_->writeAll(bytes.data(), bytes.size());
  } else {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

void OutputFile::flush() {
  const std::size_t size = std::exchange(used_, 0);
  file_->writeAll(buffer_.get(), size);
}

void OutputFile::close() {
  if (!file_) return;
  flush();  // if it throws, the destructor closes the file
  SystemFile file = std::move(*file_);
  file_.reset();
  file.close();
}

}  // namespace cstrip
