#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "io_thread.h"
#include "system_file.h"

namespace cstrip {

// How OutputFile takes its path.
struct OutputRules {
  // A link at the path is replaced, not followed.
  bool replaceLink = false;
  // The path is the name the input was opened by, and its file is replaced
  // (see SystemFile::findInPlace), kept first under the name followed by
  // `backupSuffix` unless that is empty.
  bool inPlace = false;
  std::filesystem::path::string_type backupSuffix;
  // See OutputTarget::releaseAside.
  bool releaseReplacedAside = false;
};

// The run's output (file 2), written through a fixed buffer. A regular
// file, new or not, is written into a temporary file beside it, which
// commit() puts in its place whole; a run that fails or stops leaves the
// earlier file exactly as it was, or absent. Standard output, devices and
// FIFOs are written directly, as streams. Every write and the close are
// checked.
class OutputFile {
 public:
  // Gets ready to write `path` (see SystemFile::findOutput), following a
  // link at it unless `rules.replaceLink`. A new file takes the input's
  // access less the umask; an existing one keeps its own, narrowed to the
  // input's (see SystemFile::createTemporary). Throws RunError when the path
  // is empty, names a folder or cannot be written, and when it names the
  // file `input` by any spelling; that file is then left untouched, not
  // even opened. In place, the path must name `input` instead, as
  // SystemFile::findInPlace says, and is never a stream. With `writeBehind`
  // (which outlives the OutputFile), a file that is no stream is written
  // behind: each full buffer goes to the file on that thread while the run
  // goes on, and a write that fails there is reported by a later call.
  OutputFile(const std::filesystem::path& path, FileIdentity input, FileAccess inputAccess,
             const OutputRules& rules, std::size_t bufferSize = kIoBufferSize,
             IoThread* writeBehind = nullptr);
  // Reached without commit() when a run fails or stops: a temporary file is
  // removed, a stream gets what was written so far.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void put(char byte) {
    if (used_ == bufferSize_) flush();
    buffer_[used_++] = byte;
  }
  void write(std::span<const char> bytes) {
    if (bytes.size() < directWriteSize() && bytes.size() <= bufferSize_ - used_) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      flushThenWrite(bytes);
    }
  }

  // Whether what has been written can be written again in place: a
  // temporary file can, a stream cannot.
  bool rewritable() const { return target_.kind != OutputTarget::Kind::Stream; }
  // Writes `bytes` at `offset` from the output's start, over bytes written
  // before, leaving where write() goes as it was. Throws RunError as write()
  // does. Only where rewritable().
  void rewrite(std::uint64_t offset, std::span<const char> bytes) {
    flushNow();
    file_->writeAllAt(bytes.data(), bytes.size(), offset);
  }

  // Empties the output, so that write() goes on from its start, dropping
  // what was written. Throws RunError as write() does. Only where
  // rewritable().
  void restart() {
    settle();
    used_ = 0;
    written_ = 0;
    file_->truncate();
  }

  // Writes out the buffer, closes, and puts a temporary file in place of
  // the output. Throws RunError when a write, the close or the replacing
  // fails (a full disk is often reported only at the close); the output is
  // then as it was before the run.
  void commit();

 private:
  // Spans this large go to the file directly, saving a copy through the buffer.
  std::size_t directWriteSize() const { return bufferSize_ / 4; }
  // Whether the file is written behind, every write then at its offset.
  bool behind() const { return io_ != nullptr && target_.kind != OutputTarget::Kind::Stream; }
  // Writes out the buffer: behind, where the file is written behind, else at once.
  void flush();
  // Writes out the buffer at once, after what is written behind.
  void flushNow() {
    settle();
    writeNow(buffer_.get(), std::exchange(used_, 0));
  }
  // Waits for the write behind, if any, and throws the RunError it failed with.
  void settle();
  // Writes `size` bytes at `data` after those written before, at once.
  void writeNow(const char* data, std::size_t size);
  // Flushes the buffer, then writes `bytes` directly if large, else buffers them.
  void flushThenWrite(std::span<const char> bytes);

  std::size_t bufferSize_;
  std::unique_ptr<char[]> buffer_;  // allocated before the file is touched
  std::size_t used_ = 0;
  OutputTarget target_;
  std::optional<SystemFile> file_;  // empty once committed
  std::uint64_t written_ = 0;       // bytes handed to the file since its start
  IoThread* io_;                    // the thread that writes behind
  std::unique_ptr<char[]> spare_;   // the buffer it writes
  IoThread::Ticket writing_ = 0;    // and its write
  std::exception_ptr failed_;       // set by the write, read once it is waited for
};

}  // namespace cstrip
