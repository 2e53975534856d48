#include "output_file.h"

#include <utility>

#include "process_stop.h"
#include "run_error.h"

namespace cstrip {

OutputFile::OutputFile(const std::filesystem::path& path, FileIdentity input,
                       FileAccess inputAccess, const OutputRules& rules, std::size_t bufferSize)
    : bufferSize_(bufferSize), buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {
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

void OutputFile::commit() {
  if (!file_) return;
  flush();  // if it throws, the destructor removes the temporary file
  SystemFile file = std::move(*file_);
  file_.reset();
  if (target_.kind == OutputTarget::Kind::Stream) {
    file.close();
  } else {
    file.replace(target_);
  }
}

}  // namespace cstrip
