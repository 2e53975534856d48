#pragma once

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "system_file.h"

namespace cstrip {

// The run's output (file 2), created or emptied, written through a fixed
// buffer. Every write and the close are checked. The destructor, reached only
// when a run fails or stops, flushes what was written so far and closes.
class OutputFile {
 public:
  // Opens `path` for writing, creating it or emptying it. Throws RunError
  // when the path is empty or cannot be opened, and when it names the file
  // `input` by any spelling; that file is then left untouched, not even
  // opened for writing when it exists already.
  OutputFile(const std::filesystem::path& path, FileIdentity input,
             std::size_t bufferSize = kIoBufferSize);
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

  // Writes out the buffer and closes. Throws RunError when a write or the
  // close fails (a full disk is often reported only here).
  void close();

 private:
  // Spans this large go to the file directly, saving a copy through the buffer.
  std::size_t directWriteSize() const { return bufferSize_ / 4; }
  void flush();
  // Flushes the buffer, then writes `bytes` directly if large, else buffers them.
  void flushThenWrite(std::span<const char> bytes);

  std::size_t bufferSize_;
  std::unique_ptr<char[]> buffer_;  // allocated before the file is touched
  std::size_t used_ = 0;
  std::optional<SystemFile> file_;  // empty once closed
};

}  // namespace cstrip
