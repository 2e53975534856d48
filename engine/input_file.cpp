#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "run_error.h"

namespace cstrip {

namespace {
constexpr std::string_view kWhat = "入力ファイル";
}

InputFile::InputFile(const std::string& path, std::size_t bufferSize)
    : path_(path), bufferSize_(bufferSize) {
  if (path.empty()) throw RunError("入力ファイルが指定されていません。", 0);
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw fileError(kWhat, path, "を開けません", errno);
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    close();
    throw fileError(kWhat, path, "を開けません", error);
  }
  // Linux lets a folder be opened for reading; reading it would fail later
  // with a less helpful message, so refuse it here.
  if (S_ISDIR(status.st_mode)) {
    close();
    throw fileError(kWhat, path, "を開けません", EISDIR);
  }
  identity_ = {status.st_dev, status.st_ino};
  buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
}

InputFile::~InputFile() {
  close();
}

std::span<char> InputFile::read() {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.get(), bufferSize_);
    if (got >= 0) return {buffer_.get(), static_cast<std::size_t>(got)};
    if (errno != EINTR) throw fileError(kWhat, path_, "を読み込めません", errno);
  }
}

void InputFile::close() {
  if (fd_ >= 0) ::close(fd_);  // nothing was written, so a failed close loses nothing
  fd_ = -1;
}

}  // namespace cstrip
