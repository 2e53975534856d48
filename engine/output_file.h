#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "input_file.h"

namespace cstrip {

// The run's output (file 2), created or emptied, written through a fixed
// buffer. Every write and the close are checked. The destructor, reached only
// when a run fails or stops, flushes what was written so far and closes.
class OutputFile {
 public:
  // Opens `path` for writing, creating it or emptying it. Throws RunError when
  // the path is empty or cannot be opened, and when it names `input`'s file
  // by any spelling (then the file is left untouched).
  OutputFile(const std::string& path, const InputFile& input,
             std::size_t bufferSize = kIoBufferSize);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void put(char byte) {
    if (used_ == bufferSize_) flush();
    buffer_[used_++] = byte;
  }
  void write(std::span<const char> bytes) {
    if (bytes.size() <= bufferSize_ - used_ && bytes.size() < bufferSize_ / 4) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      writeLarge(bytes);
    }
  }

  // Writes out the buffer and closes. Throws RunError when a write or the
  // close fails (a full disk is often reported only here).
  void close();

 private:
  void flush();
  void writeLarge(std::span<const char> bytes);
  void writeAll(const char* data, std::size_t size);

  std::string path_;
  int fd_ = -1;
  std::size_t bufferSize_;
  std::size_t used_ = 0;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace cstrip
