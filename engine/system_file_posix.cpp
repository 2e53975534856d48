#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <utility>

#include "process_stop.h"
#include "run_error.h"
#include "system_file.h"
#include "temporary_name.h"

namespace cstrip {

namespace {

// Which of the standard descriptors guardStandardStreams() found closed.
bool streamClosed[3] = {};

FileIdentity identityIn(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// Whether a system call that failed with `error` is to be made again: one
// interrupted by a signal is, unless the process has been asked to stop.
bool retry(int error) {
  return error == EINTR && processStopSignal() == 0;
}

// Opens `path` as open(2) does, again after an interruption (opening a FIFO
// waits for its other end).
int openPath(const std::filesystem::path& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && retry(errno));
  return fd;
}

// The descriptor of this process's own that `path` names: "-" (for the
// stream `standard`), /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N or
// /proc/self/fd/N. Such a path is read or written through a duplicate of
// the descriptor, not by opening again what it leads to: a shell's >> and
// pipes keep working, and a file behind it is never replaced.
std::optional<int> descriptorNamed(const std::filesystem::path& path, int standard) {
  const std::string_view name = path.native();
  if (name == "-") return standard;
  constexpr std::pair<std::string_view, int> kStandard[] = {
      {"/dev/stdin", STDIN_FILENO}, {"/dev/stdout", STDOUT_FILENO}, {"/dev/stderr", STDERR_FILENO}};
  for (const auto& [standardName, fd] : kStandard) {
    if (name == standardName) return fd;
  }
  for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!name.starts_with(folder) || name.size() == folder.size()) continue;
    int fd = 0;
    const auto [end, error] = std::from_chars(name.data() + folder.size(), name.end(), fd);
    if (error == std::errc() && end == name.end()) return fd;
  }
  return std::nullopt;
}

// A duplicate of the descriptor `fd`, or -1 with EBADF when it is not open
// or is a standard one closed at start (it holds /dev/null now).
int duplicate(int fd) {
  if (fd <= STDERR_FILENO && streamClosed[fd]) {
    errno = EBADF;
    return -1;
  }
  return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

// Past a file-size limit (ulimit -f) a write should fail with EFBIG and be
// reported like any other failure, not end the program by a signal.
void ignoreFileSizeSignal() {
  static const bool kIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  (void)kIgnored;
}

}  // namespace

bool isStandardStream(const std::filesystem::path& path) {
  return path.native() == "-";
}

void guardStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one: those below are open by now.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
    streamClosed[fd] = true;
  }
}

bool standardOutputWasClosed() {
  return streamClosed[STDOUT_FILENO];
}

SystemFile SystemFile::openToRead(const std::filesystem::path& path, bool regularOnly,
                                  bool followLink) {
  SystemFile file;
  file.path_ = path;
  const std::optional<int> own = followLink ? descriptorNamed(path, STDIN_FILENO) : std::nullopt;
  file.standardStream_ = own.has_value();
  file.handle_ = own ? duplicate(*own)
                     : openPath(path, O_RDONLY | (regularOnly ? O_NONBLOCK : 0) |
                                          (followLink ? 0 : O_NOFOLLOW));
  if (file.handle_ < 0) {
    // O_NOFOLLOW refuses a link with ELOOP.
    if (!followLink && errno == ELOOP) throw RunError(Failure::NotRegularInput, path);
    throw RunError(Failure::OpenInput, path, errno);
  }
  file.describe();
  if (regularOnly && file.kind_ != Kind::Regular) throw RunError(Failure::NotRegularInput, path);
  return file;
}

OutputTarget SystemFile::findOutput(const std::filesystem::path& path, bool followLink) {
  OutputTarget target;
  target.path = path;
  struct stat status {};
  if (const auto own = followLink ? descriptorNamed(path, STDOUT_FILENO) : std::nullopt) {
    target.kind = OutputTarget::Kind::Stream;
    target.identity = ::fstat(*own, &status) == 0 ? identityIn(status) : FileIdentity{};
    return target;
  }
  if (::lstat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) return target;
    throw RunError(Failure::OpenOutput, path, errno);
  }
  const bool link = S_ISLNK(status.st_mode);
  if (link && !followLink) return target;  // replaced, never written through
  if (link && ::stat(path.c_str(), &status) != 0) throw RunError(Failure::OpenOutput, path, errno);
  if (S_ISDIR(status.st_mode)) throw RunError(Failure::OpenOutput, path, kFolderError);
  if (!S_ISREG(status.st_mode)) {
    if (!followLink) return target;  // a FIFO or device met in a walk is replaced too
    target.kind = OutputTarget::Kind::Stream;
    target.identity = identityIn(status);
    return target;
  }
  if (link) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) throw RunError(Failure::OpenOutput, path, errno);
    target.path = real.get();
  }
  // A file the user may not write is not replaced either, as cp would not.
  if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
    throw RunError(Failure::OpenOutput, path, errno);
  }
  target.kind = OutputTarget::Kind::Existing;
  target.identity = identityIn(status);
  target.permissions = status.st_mode & 0777;
  target.owner = status.st_uid;
  target.group = status.st_gid;
  return target;
}

SystemFile SystemFile::openStream(const std::filesystem::path& path) {
  ignoreFileSizeSignal();
  SystemFile file;
  file.path_ = path;
  file.forWriting_ = true;
  const std::optional<int> own = descriptorNamed(path, STDOUT_FILENO);
  file.standardStream_ = own.has_value();
  file.handle_ = own ? duplicate(*own) : openPath(path, O_WRONLY);
  if (file.handle_ < 0) throw RunError(Failure::OpenOutput, path, errno);
  file.describe();
  return file;
}

SystemFile SystemFile::createTemporary(const OutputTarget& target, std::uint32_t inputPermissions) {
  ignoreFileSizeSignal();
  SystemFile file;
  file.path_ = target.path;
  file.forWriting_ = true;
  // A new file is created with its final permissions, less the umask as
  // for any new file; one that replaces a file stays private until then.
  const bool existing = target.kind == OutputTarget::Kind::Existing;
  const mode_t mode = existing ? 0600 : inputPermissions;
  for (int tries = 0; file.handle_ < 0; ++tries) {
    file.temporaryPath_ = temporaryNameBeside(target.path);
    file.handle_ = openPath(file.temporaryPath_, O_WRONLY | O_CREAT | O_EXCL, mode);
    if (file.handle_ < 0 && (errno != EEXIST || tries == 100)) {
      const int error = errno;
      file.temporaryPath_.clear();  // not ours: nothing to remove
      throw RunError(Failure::CreateTemporary, target.path, error);
    }
  }
  file.describe();
  file.permissions_ = existing ? target.permissions & inputPermissions : 0;
  return file;
}

std::optional<FileIdentity> SystemFile::identityOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return identityIn(status);
}

SystemFile::~SystemFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
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
  permissions_ = kind_ == Kind::Regular ? status.st_mode & 0777 : 0666;
}

std::size_t SystemFile::read(char* into, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), into, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (!retry(errno)) throw RunError(Failure::ReadInput, path_, errno);
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
      if (retry(errno)) continue;
      throw RunError(Failure::WriteOutput, path_, errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void SystemFile::close() {
  const int fd = static_cast<int>(std::exchange(handle_, kNoHandle));
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    throw RunError(Failure::CloseOutput, path_, errno);
  }
}

void SystemFile::replace(const OutputTarget& target) {
  const int fd = static_cast<int>(handle_);
  if (target.kind == OutputTarget::Kind::Existing) {
    // The owner and group stay where the system lets them (as root, or a
    // group of the user's); otherwise the file is the user's own, and the
    // group's bits, meant for another group, are not given to this one.
    if (::fchown(fd, target.owner, target.group) != 0) (void)!::fchown(fd, -1, target.group);
    struct stat status {};
    const bool groupKept = ::fstat(fd, &status) == 0 && status.st_gid == target.group;
    const mode_t mode = groupKept ? permissions_ : permissions_ & ~mode_t{070};
    if (::fchmod(fd, mode) != 0) throw RunError(Failure::ReplaceOutput, path_, errno);
  }
  close();  // on failure, the destructor removes the temporary file
  if (::rename(temporaryPath_.c_str(), target.path.c_str()) != 0) {
    throw RunError(Failure::ReplaceOutput, path_, errno);
  }
  temporaryPath_.clear();
}

}  // namespace cstrip
