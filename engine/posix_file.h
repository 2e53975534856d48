#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <utility>

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
  static FileIdentity of(const struct stat& status) { return {status.st_dev, status.st_ino}; }
};

// An open file descriptor, closed by the destructor unless release()d.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    FileDescriptor old(std::exchange(fd_, other.release()));
    return *this;
  }
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives up ownership: the caller closes the descriptor.
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

}  // namespace cstrip
