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

  FileIdentity identity() const { return identity_; }

 private:
  std::string path_;
  FileDescriptor fd_;
  FileIdentity identity_;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace cstrip
