#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "system_file.h"

namespace cstrip::cli {

// What a path names, looked at without following a link at it unless asked.
struct FileFacts {
  enum class Type { File, Folder, Link, Other };  // Other: a FIFO, socket or device
  Type type = Type::Other;
  FileIdentity identity;    // File and Folder
  std::uintmax_t size = 0;  // File
  FileAccess access{0777};  // Folder, on POSIX: its permission bits and group
};

struct FolderEntry {
  std::filesystem::path name;
  FileFacts facts;
};

// The entries of `folder`, "." and ".." left out, each looked at without
// following a link. The folder is open only while it is read, so that a
// walk holds no descriptor per level. Sets `error` when it cannot be read.
std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& error);

// What `path` names; with `followLink`, through links, where a link that
// leads nowhere or in a circle sets `error`.
FileFacts factsOf(const std::filesystem::path& path, bool followLink, std::error_code& error);

// The target text of the link at `path`, or nothing (with `error` set)
// when it cannot be read or links are not made again on this system.
std::optional<std::filesystem::path> readLink(const std::filesystem::path& path,
                                              std::error_code& error);

// Makes `path` a folder inside an output folder the program writes: an
// existing folder is kept, a link there is replaced by a new folder, and
// a new folder takes the permission bits of `access` (less the umask) with
// the owner's own bits added, and its group bits only when it has the
// group they were meant for. Sets `error` when that fails or something
// else is there.
void makeOutputFolder(const std::filesystem::path& path, FileAccess access, std::error_code& error);

// Puts a link with the target text `target` at `path`, replacing whatever
// file or link is there whole, as an output file is replaced.
void replaceWithLink(const std::filesystem::path& path, const std::filesystem::path& target,
                     std::error_code& error);

// The key by which two output paths are the same file: on Windows without
// case, as its file systems compare names.
std::filesystem::path::string_type outputKey(const std::filesystem::path& path);

}  // namespace cstrip::cli
