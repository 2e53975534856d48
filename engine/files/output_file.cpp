#include "output_file.h"

#include <utility>

#include "process_stop.h"
#include "run_error.h"

namespace cstrip {

OutputFile::OutputFile(const std::filesystem::path& path, FileIdentity input,
                       FileAccess inputAccess, const OutputRules& rules, std::size_t bufferSize,
                       IoThread* writeBehind)
    : bufferSize_(bufferSize),
      buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)),
      io_(writeBehind) {
  if (path.empty()) throw RunError(Failure::NoOutputPath);
  if (rules.inPlace) {
    target_ = SystemFile::findInPlace(path, input, rules.backupSuffix);
  } else if (isStandardStream(path)) {
    target_.kind = OutputTarget::Kind::Stream;
    target_.path = path;
  } else {
    target_ = SystemFile::findOutput(path, !rules.replaceLink);
    // The input is refused before anything is opened for writing, which
    // could wait on leases, wake file watchers or fail for a reason of its
    // own (read-only, a running program).
    if (target_.kind != OutputTarget::Kind::New && target_.identity == input) {
      throw RunError(Failure::SameFile, path);
    }
  }
  if (target_.kind != OutputTarget::Kind::Stream) {
    target_.releaseAside = rules.releaseReplacedAside;
    file_ = SystemFile::createTemporary(target_, inputAccess);
    return;
  }
  // Checked again once open: standard output may be the input, and the path
  // may have come to name it since.
  SystemFile file = SystemFile::openStream(path);
  if (file.identity() == input) throw RunError(Failure::SameFile, path);
  file_ = std::move(file);
}

OutputFile::~OutputFile() {
  if (io_ != nullptr) io_->waitFor(writing_);
  // Once the process is asked to stop, a stream that waits on its reader
  // is not written again.
  if (!file_ || target_.kind != OutputTarget::Kind::Stream || processStopSignal() != 0) return;
  try {
    flush();
  } catch (const RunError&) {
    // The run has already failed or stopped; its own error is the one reported.
  }
}

void OutputFile::flushThenWrite(std::span<const char> bytes) {
  if (bytes.size() >= directWriteSize()) {
    // The caller's span goes out before write() returns, so here, at once;
    // the bytes buffered before it go with it rather than on the thread,
    // where they would only queue behind a read.
    writeNow(buffer_.get(), std::exchange(used_, 0));
    writeNow(bytes.data(), bytes.size());
  } else {
    flush();
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

void OutputFile::flush() {
  if (!behind() || used_ == 0) return writeNow(buffer_.get(), std::exchange(used_, 0));
  settle();  // the spare buffer is free once its write is done
  if (!spare_) spare_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
  std::swap(buffer_, spare_);
  const std::size_t size = std::exchange(used_, 0);
  writing_ = io_->post([this, data = spare_.get(), size, offset = written_] {
    try {
      file_->writeAllAt(data, size, offset);
    } catch (...) {
      failed_ = std::current_exception();
    }
  });
  written_ += size;
}

void OutputFile::settle() {
  if (io_ == nullptr) return;
  io_->waitFor(writing_);
  if (failed_) std::rethrow_exception(failed_);
}

void OutputFile::writeNow(const char* data, std::size_t size) {
  if (behind()) {
    file_->writeAllAt(data, size, written_);
  } else {
    file_->writeAll(data, size);
  }
  written_ += size;
}

void OutputFile::commit() {
  if (!file_) return;
  flushNow();  // if it throws, the destructor removes the temporary file
  SystemFile file = std::move(*file_);
  file_.reset();
  if (target_.kind == OutputTarget::Kind::Stream) {
    file.close();
  } else {
    file.replace(target_);
  }
}

}  // namespace cstrip
