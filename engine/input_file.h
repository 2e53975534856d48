#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "posix_file.h"

namespace cstrip {

// The run's input (file 1), read sequentially through a fixed buffer.
// Closed by its destructor.
class InputFile {
 public:
  // Opens `path` for reading. Throws RunError when the path is empty, names
  // no file, names a folder or cannot be opened.
  explicit InputFile(const std::string& path);

  // The next bytes of the file, at most kIoBufferSize; empty only at the
  // end of the file. Valid and writable until the next call. Throws
  // RunError on a read failure.
  std::span<char> read();

  // Before the first read(): the file's first kIoBufferSize bytes, or all
  // of them if it has fewer, left for the next read() to return again.
  std::span<const char> peek();

  // Whether the file can be read again from its start (a regular file, not
  // a pipe), and doing so: the next read() starts at its first byte.
  bool rewindable() const { return rewindable_; }
  void rewind();

  FileIdentity identity() const { return identity_; }
  const std::string& path() const { return path_; }

 private:
  std::size_t readSome(char* into, std::size_t size);

  std::string path_;
  FileDescriptor fd_;
  FileIdentity identity_;
  bool rewindable_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t peeked_ = 0;  // bytes at the buffer's start that read() returns next
};

}  // namespace cstrip
