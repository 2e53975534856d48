#include "input_file.h"

#include <fcntl.h>

#include <cerrno>

#include "run_error.h"

namespace cstrip {

namespace {
constexpr std::string_view kWhat = "入力ファイル";
}

InputFile::InputFile(const std::string& path)
    : path_(path), buffer_(std::make_unique_for_overwrite<char[]>(kIoBufferSize)) {
  if (path.empty()) throw RunError("入力ファイルが指定されていません。", 0);
  fd_ = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd_.valid()) throw fileError(kWhat, path, "を開けません", errno);
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0) throw fileError(kWhat, path, "を開けません", errno);
  // Linux lets a folder be opened for reading; reading it would fail later
  // with a less helpful message, so refuse it here.
  if (S_ISDIR(status.st_mode)) throw fileError(kWhat, path, "を開けません", EISDIR);
  identity_ = FileIdentity::of(status);
}

std::span<char> InputFile::read() {
  for (;;) {
    const ssize_t got = ::read(fd_.get(), buffer_.get(), kIoBufferSize);
    if (got >= 0) return {buffer_.get(), static_cast<std::size_t>(got)};
    if (errno != EINTR) throw fileError(kWhat, path_, "を読み込めません", errno);
  }
}

}  // namespace cstrip
