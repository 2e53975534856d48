#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "process_stop.h"
#include "run_error.h"
#include "system_file.h"
#include "temporary_name.h"

namespace cstrip {

namespace {

// Which of the standard descriptors guardStandardStreams() found closed.
bool streamClosed[3] = {};

// Closes `fd`, the last hold on a file whose name is gone. The system frees
// a large file's pages then, which takes a while (a tenth of a second for
// 500 MiB in memory) that a window would not answer its events in; so a
// large one is closed on a thread of its own, which the process does not
// wait for.
void releaseAside(int fd) {
  constexpr off_t kLargeFile = off_t{64} << 20;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && status.st_size >= kLargeFile) {
    try {
      std::thread([fd] { ::close(fd); }).detach();
      return;
    } catch (const std::system_error&) {
      // No thread: closed here.
    }
  }
  ::close(fd);
}

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

// The standard descriptor that the absolute, normal path `name` names as
// this process's own: /dev/stdin, /dev/stdout, /dev/stderr, or N from 0 to
// 2 in /dev/fd/N, /proc/self/fd/N, /proc/thread-self/fd/N or /proc/PID/fd/N.
std::optional<int> standardDescriptorAt(std::string_view name) {
  constexpr std::string_view kNames[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (name == kNames[fd]) return fd;
  }
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string_view folder :
       {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
        std::string_view("/proc/thread-self/fd/"), std::string_view(own)}) {
    if (name.size() == folder.size() + 1 && name.starts_with(folder) && name.back() >= '0' &&
        name.back() <= '2') {
      return name.back() - '0';
    }
  }
  return std::nullopt;
}

// The standard descriptor that `path` stands for: `standard` for "-", or
// one named (see standardDescriptorAt) by the path as written or at any
// step of the links it leads through. Such a path is read or written
// through a duplicate of the descriptor, not by opening again what it
// leads to: a shell's >> and pipes keep working, and a file behind it is
// never replaced.
std::optional<int> descriptorNamed(const std::filesystem::path& path, int standard) {
  if (path.native() == "-") return standard;
  std::error_code error;
  std::filesystem::path at = std::filesystem::absolute(path, error).lexically_normal();
  for (int step = 0; !error && step < 40; ++step) {
    if (const auto fd = standardDescriptorAt(at.native())) return fd;
    struct stat status {};
    if (::lstat(at.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) break;
    at = (at.parent_path() / std::filesystem::read_symlink(at, error)).lexically_normal();
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

// Whether linkat(2) failed with `error` because the file system cannot link
// this file (no hard links, as FAT; a file of another user's where links to
// them are restricted; too many links already), not for a fault that moving
// the file would meet too.
bool cannotLink(int error) {
  switch (error) {
    case EPERM:
    case EXDEV:
    case ENOTSUP:
#if EOPNOTSUPP != ENOTSUP
    case EOPNOTSUPP:
#endif
    case EMLINK:
      return true;
    default:
      return false;
  }
}

// Keeps the file (or link) at `name` as `backup`, replacing what is there.
// It is linked under a temporary name, then renamed over the backup, so
// that `name` stays in place throughout; where it cannot be linked it is
// moved, and true returned: `name` is then free until the caller fills it
// or moves the file back. Throws RunError (Backup) when it fails; `name` is
// then as it was.
bool keepBackup(const std::filesystem::path& name, const std::filesystem::path& backup) {
  for (int tries = 0;; ++tries) {
    const std::filesystem::path linked = temporaryNameBeside(name);
    if (::linkat(AT_FDCWD, name.c_str(), AT_FDCWD, linked.c_str(), 0) == 0) {
      const bool kept = ::rename(linked.c_str(), backup.c_str()) == 0;
      const int error = errno;
      // Also there when the backup was already another name of the file:
      // the rename then does nothing.
      ::unlink(linked.c_str());
      if (!kept) throw RunError(Failure::Backup, backup, error);
      return false;
    }
    if (errno == EEXIST && tries < 100) continue;
    if (!cannotLink(errno)) throw RunError(Failure::Backup, backup, errno);
    break;
  }
  if (::rename(name.c_str(), backup.c_str()) != 0) throw RunError(Failure::Backup, backup, errno);
  return true;
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
  const std::optional<int> own = regularOnly ? std::nullopt : descriptorNamed(path, STDIN_FILENO);
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

OutputTarget SystemFile::findInPlace(const std::filesystem::path& path, FileIdentity input,
                                     const std::filesystem::path::string_type& backupSuffix) {
  OutputTarget target;
  target.path = path;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) throw RunError(Failure::OpenOutput, path, errno);
  if (identityIn(status) != input) throw RunError(Failure::ChangedInPlace, path);
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    throw RunError(Failure::OpenOutput, path, errno);
  }
  target.kind = OutputTarget::Kind::Existing;
  target.identity = input;
  target.permissions = status.st_mode & 0777;
  target.owner = status.st_uid;
  target.group = status.st_gid;
  if (backupSuffix.empty()) return target;
  target.backup = path.native() + backupSuffix;
  struct stat backup {};
  if (::lstat(target.backup.c_str(), &backup) != 0) return target;
  if (S_ISDIR(backup.st_mode)) throw RunError(Failure::Backup, target.backup, kFolderError);
  struct stat name {};
  if (identityIn(backup) == input && ::lstat(path.c_str(), &name) == 0 && S_ISLNK(name.st_mode)) {
    throw RunError(Failure::SameFile, target.backup);
  }
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

SystemFile SystemFile::createTemporary(const OutputTarget& target, FileAccess input) {
  ignoreFileSizeSignal();
  SystemFile file;
  file.path_ = target.path;
  file.forWriting_ = true;
  // A new file is created with its final permissions, less the umask as
  // for any new file; one that replaces a file stays private until then.
  const bool existing = target.kind == OutputTarget::Kind::Existing;
  const mode_t mode = existing ? 0600 : input.permissions;
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
  // A new file's group is the user's (or the folder's): bits meant for the
  // input's group are not handed to another, before anything is written.
  struct stat status {};
  if (!existing && input.group != kAnyGroup &&
      ::fstat(static_cast<int>(file.handle_), &status) == 0 && status.st_gid != input.group) {
    (void)::fchmod(static_cast<int>(file.handle_), status.st_mode & 0707);
  }
  file.access_.permissions = existing ? target.permissions & input.permissions : 0;
  return file;
}

std::optional<FileIdentity> SystemFile::identityOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return identityIn(status);
}

namespace {

// The bits a copy may give, for a file with an access ACL: its group bits
// show the ACL's mask, which the owning group's own entry may narrow. A
// copy has no ACL, and its group bits go to the owning group, so they are
// narrowed to that entry (an ACL that cannot be read gives no group bits).
mode_t aclGroupLimit(int fd) {
  unsigned char acl[1024];  // little-endian: a 4-byte version, then 8-byte entries
  const ssize_t size = ::fgetxattr(fd, "system.posix_acl_access", acl, sizeof acl);
  if (size < 0) return errno == ENODATA || errno == ENOTSUP ? 0777 : 0707;
  constexpr unsigned kGroupObject = 0x04;
  for (ssize_t at = 4; at + 8 <= size; at += 8) {
    if ((acl[at] | acl[at + 1] << 8) == kGroupObject) return 0707 | (acl[at + 2] & 7) << 3;
  }
  return 0707;
}

}  // namespace

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
  access_ = kind_ == Kind::Regular
                ? FileAccess{status.st_mode & 0777 & aclGroupLimit(static_cast<int>(handle_)),
                             status.st_gid}
                : FileAccess{};
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
    // A signal cuts a write to a pipe short rather than failing it.
    if (size > 0 && processStopSignal() != 0) throw RunError(Failure::WriteOutput, path_, EINTR);
  }
}

std::size_t SystemFile::readAt(char* into, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(static_cast<int>(handle_), into, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (!retry(errno)) throw RunError(Failure::ReadInput, path_, errno);
  }
}

void SystemFile::truncate() {
  if (::ftruncate(static_cast<int>(handle_), 0) != 0 ||
      ::lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0) {
    throw RunError(Failure::WriteOutput, path_, errno);
  }
}

void SystemFile::writeAllAt(const char* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t written =
        ::pwrite(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (written < 0) {
      if (retry(errno)) continue;
      throw RunError(Failure::WriteOutput, path_, errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
    offset += static_cast<std::uint64_t>(written);
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
    const mode_t mode = groupKept ? access_.permissions : access_.permissions & ~mode_t{070};
    if (::fchmod(fd, mode) != 0) throw RunError(Failure::ReplaceOutput, path_, errno);
  }
  close();  // on failure, the destructor removes the temporary file
  const bool movedAway = !target.backup.empty() && keepBackup(target.path, target.backup);
  const int replaced =
      target.releaseAside && target.kind == OutputTarget::Kind::Existing && !movedAway
          ? ::open(target.path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)
          : -1;
  if (::rename(temporaryPath_.c_str(), target.path.c_str()) != 0) {
    const int error = errno;
    if (replaced >= 0) ::close(replaced);
    if (movedAway) (void)::rename(target.backup.c_str(), target.path.c_str());
    throw RunError(Failure::ReplaceOutput, path_, error);
  }
  temporaryPath_.clear();
  if (replaced >= 0) releaseAside(replaced);
}

}  // namespace cstrip
