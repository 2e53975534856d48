#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace cstrip {

// The size of the input's and the output's buffers: large enough that system
// calls cost nothing next to the conversion, small enough that a run's memory
// stays a few hundred KiB whatever the file.
inline constexpr std::size_t kIoBufferSize = 256 * 1024;

// Identifies a file independently of how its path was spelled.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The run's input (file 1), read sequentially through a fixed buffer.
// Closed by its destructor on every path.
class InputFile {
 public:
  // Opens `path` for reading. Throws RunError when the path is empty, names
  // no file, names a folder or cannot be opened.
  explicit InputFile(const std::string& path, std::size_t bufferSize = kIoBufferSize);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The next bytes of the file, at most the buffer's size; empty only at the
  // end of the file. Valid and writable until the next call. Throws RunError
  // on a read failure.
  std::span<char> read();

  FileIdentity identity() const { return identity_; }

  // Closes the file now; further reads are not allowed.
  void close();

 private:
  std::string path_;
  int fd_ = -1;
  FileIdentity identity_;
  std::size_t bufferSize_;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace cstrip
