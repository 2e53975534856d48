#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <utility>

#include "run_error.h"
#include "system_file.h"

namespace cstrip {

namespace {

FileIdentity identityIn(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace

bool isStandardStream(const std::filesystem::path& path) {
  return path.native() == "-";
}

SystemFile SystemFile::openToRead(const std::filesystem::path& path) {
  SystemFile file;
  file.path_ = path;
  file.standardStream_ = isStandardStream(path);
  file.handle_ = file.standardStream_ ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                      : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file.handle_ < 0) throw RunError(Failure::OpenInput, path, errno);
  file.describe();
  return file;
}

SystemFile SystemFile::openToWrite(const std::filesystem::path& path) {
  // Past a file-size limit (ulimit -f) a write should fail with EFBIG and be
  // reported like any other failure, not end the program by a signal.
  static const bool kFileSizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  (void)kFileSizeSignalIgnored;
  SystemFile file;
  file.path_ = path;
  file.forWriting_ = true;
  file.standardStream_ = isStandardStream(path);
  file.handle_ = file.standardStream_ ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                                      : ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (file.handle_ < 0) throw RunError(Failure::OpenOutput, path, errno);
  file.describe();
  return file;
}

std::optional<FileIdentity> SystemFile::identityOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return identityIn(status);
}

SystemFile::~SystemFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void SystemFile::describe() {
  struct stat status {};
  if (::fstat(static_cast<int>(handle_), &status) != 0) {
    throw RunError(forWriting_ ? Failure::OpenOutput : Failure::OpenInput, path_, errno);
  }
  identity_ = identityIn(status);
  kind_ = S_ISREG(status.st_mode)   ? Kind::Regular
          : S_ISDIR(status.st_mode) ? Kind::Folder
                                    : Kind::Other;
}

std::size_t SystemFile::read(char* into, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), into, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw RunError(Failure::ReadInput, path_, errno);
  }
}

void SystemFile::rewind() {
  if (::lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0) {
    throw RunError(Failure::ReadInput, path_, errno);
  }
}

void SystemFile::writeAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw RunError(Failure::WriteOutput, path_, errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void SystemFile::truncate() {
  if (::ftruncate(static_cast<int>(handle_), 0) != 0) {
    throw RunError(Failure::EmptyOutput, path_, errno);
  }
}

void SystemFile::close() {
  const int fd = static_cast<int>(std::exchange(handle_, kNoHandle));
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    throw RunError(Failure::CloseOutput, path_, errno);
  }
}

}  // namespace cstrip
