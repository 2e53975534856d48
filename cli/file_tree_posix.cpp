#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_tree.h"
#include "temporary_name.h"

namespace cstrip::cli {

namespace {

std::error_code lastError() {
  return {errno, std::system_category()};
}

FileFacts factsIn(const struct stat& status) {
  FileFacts facts;
  facts.type = S_ISREG(status.st_mode)   ? FileFacts::Type::File
               : S_ISDIR(status.st_mode) ? FileFacts::Type::Folder
               : S_ISLNK(status.st_mode) ? FileFacts::Type::Link
                                         : FileFacts::Type::Other;
  facts.identity = {static_cast<std::uint64_t>(status.st_dev),
                    static_cast<std::uint64_t>(status.st_ino)};
  facts.size = static_cast<std::uintmax_t>(status.st_size);
  facts.access = {static_cast<std::uint32_t>(status.st_mode & 0777),
                  static_cast<std::uint32_t>(status.st_gid)};
  return facts;
}

}  // namespace

std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* const listing = fd < 0 ? nullptr : ::fdopendir(fd);
  if (listing == nullptr) {
    error = lastError();
    if (fd >= 0) ::close(fd);
    return entries;
  }
  errno = 0;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status {};
    // Relative to the open folder: no path is looked up again. An entry
    // gone since is passed over; one that cannot be looked at (a folder
    // that may be listed but not searched) fails the folder.
    if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      break;
    }
    entries.push_back({std::filesystem::path(name), factsIn(status)});
    errno = 0;
  }
  if (errno != 0) error = lastError();
  ::closedir(listing);
  return entries;
}

FileFacts factsOf(const std::filesystem::path& path, bool followLink, std::error_code& error) {
  struct stat status {};
  if ((followLink ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status)) != 0) {
    error = lastError();
  }
  return factsIn(status);
}

std::optional<std::filesystem::path> readLink(const std::filesystem::path& path,
                                              std::error_code& error) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t size = ::readlink(path.c_str(), target.data(), target.size());
    if (size < 0) {
      error = lastError();
      return std::nullopt;
    }
    if (static_cast<std::size_t>(size) < target.size()) {
      target.resize(static_cast<std::size_t>(size));
      return target;
    }
    target.resize(2 * target.size());
  }
}

void makeOutputFolder(const std::filesystem::path& path, FileAccess access,
                      std::error_code& error) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return;
    // A link is replaced, so that nothing is written where it leads.
    if (!S_ISLNK(status.st_mode)) {
      error = std::make_error_code(std::errc::not_a_directory);
      return;
    }
    if (::unlink(path.c_str()) != 0) {
      error = lastError();
      return;
    }
  }
  if (::mkdir(path.c_str(), (access.permissions & 0777) | S_IRWXU) != 0) {
    error = lastError();
    return;
  }
  // A folder of another group (the user's, or a set-group-ID parent's)
  // gives that group nothing: the bits were meant for the source's.
  if (::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
      status.st_gid != access.group && (status.st_mode & 070) != 0 &&
      ::chmod(path.c_str(), status.st_mode & 07707) != 0) {
    error = lastError();
  }
}

void replaceWithLink(const std::filesystem::path& path, const std::filesystem::path& target,
                     std::error_code& error) {
  std::filesystem::path temporary;
  for (int tries = 0; tries <= 100; ++tries) {
    temporary = temporaryNameBeside(path);
    if (::symlink(target.c_str(), temporary.c_str()) == 0) break;
    if (errno != EEXIST || tries == 100) {
      error = lastError();
      return;
    }
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    error = lastError();
    ::unlink(temporary.c_str());
  }
}

std::filesystem::path::string_type outputKey(const std::filesystem::path& path) {
  return path.lexically_normal().native();
}

}  // namespace cstrip::cli
