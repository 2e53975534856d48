#include "input_file.h"

#include <fcntl.h>

#include <cerrno>
#include <utility>

#include "file_names.h"
#include "run_error.h"

namespace cstrip {

InputFile::InputFile(const std::string& path)
    : path_(path), buffer_(std::make_unique_for_overwrite<char[]>(kIoBufferSize)) {
  if (path.empty()) throw RunError(Failure::NoInputPath);
  const bool standardInput = path == kStandardStream;
  fd_ = FileDescriptor(standardInput ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                     : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd_.valid()) throw RunError(Failure::OpenInput, path, errno);
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0) throw RunError(Failure::OpenInput, path, errno);
  // Linux lets a folder be opened for reading; reading it would fail later
  // with a less helpful message, so refuse it here.
  if (S_ISDIR(status.st_mode)) throw RunError(Failure::OpenInput, path, EISDIR);
  identity_ = FileIdentity::of(status);
  // Standard input may start anywhere in a file, so it is read only once.
  rewindable_ = S_ISREG(status.st_mode) && !standardInput;
}

std::span<char> InputFile::read() {
  if (peeked_ > 0) return {buffer_.get(), std::exchange(peeked_, 0)};
  return {buffer_.get(), readSome(buffer_.get(), kIoBufferSize)};
}

std::span<const char> InputFile::peek() {
  // A pipe hands over a little at a time: read until the buffer is full.
  while (peeked_ < kIoBufferSize) {
    const std::size_t got = readSome(buffer_.get() + peeked_, kIoBufferSize - peeked_);
    if (got == 0) break;
    peeked_ += got;
  }
  return {buffer_.get(), peeked_};
}

void InputFile::rewind() {
  if (::lseek(fd_.get(), 0, SEEK_SET) != 0) throw RunError(Failure::ReadInput, path_, errno);
  peeked_ = 0;
}

std::size_t InputFile::readSome(char* into, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd_.get(), into, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw RunError(Failure::ReadInput, path_, errno);
  }
}

}  // namespace cstrip
