#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "run_error.h"

namespace cstrip {

namespace {
constexpr std::string_view kWhat = "出力ファイル";
}

OutputFile::OutputFile(const std::string& path, const InputFile& input, std::size_t bufferSize)
    : path_(path), bufferSize_(bufferSize) {
  if (path.empty()) throw RunError("出力ファイルが指定されていません。", 0);
  // Opened without O_TRUNC: the file is emptied only once it is known not to
  // be the input, whatever path, link or hard link led to it.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) throw fileError(kWhat, path, "を開けません", errno);
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    throw fileError(kWhat, path, "を開けません", error);
  }
  if (FileIdentity{status.st_dev, status.st_ino} == input.identity()) {
    ::close(fd_);
    fd_ = -1;
    throw RunError(std::string("出力ファイル「") + path +
                       "」は入力ファイルと同じファイルです。入力ファイルを壊さないよう、"
                       "何も書き込まずに中止しました。",
                   0);
  }
  // Devices and pipes cannot be truncated and need not be.
  if (S_ISREG(status.st_mode) && ::ftruncate(fd_, 0) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    throw fileError(kWhat, path, "を空にできません", error);
  }
  buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
}

OutputFile::~OutputFile() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (const RunError&) {
    // The run has already failed or stopped; its own error is the one reported.
  }
  ::close(fd_);
}

void OutputFile::writeLarge(std::span<const char> bytes) {
  // Large spans go out as they are, saving a copy through the buffer.
  flush();
  if (bytes.size() >= bufferSize_ / 4) {
    writeAll(bytes.data(), bytes.size());
  } else {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

void OutputFile::flush() {
  const std::size_t size = std::exchange(used_, 0);
  writeAll(buffer_.get(), size);
}

void OutputFile::writeAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw fileError(kWhat, path_, "に書き込めません", errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void OutputFile::close() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (const RunError&) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int result = ::close(std::exchange(fd_, -1));
  if (result != 0 && errno != EINTR) throw fileError(kWhat, path_, "を閉じられません", errno);
}

}  // namespace cstrip
