#include <windows.h>

#include "file_tree.h"

namespace cstrip::cli {

namespace {

std::error_code lastError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

// Reparse points of WSL's special files and of AF_UNIX sockets: neither a
// file that can be read nor a link.
constexpr DWORD kSpecialFileTags[] = {
    0x80000023,  // IO_REPARSE_TAG_AF_UNIX
    0x80000024,  // IO_REPARSE_TAG_LX_FIFO
    0x80000025,  // IO_REPARSE_TAG_LX_CHR
    0x80000026,  // IO_REPARSE_TAG_LX_BLK
};

// What a file with `attributes` and, for a reparse point, the reparse tag
// `tag` is. A link is a symbolic link, a junction or another name surrogate;
// any other reparse point (a deduplicated file, a cloud file's placeholder)
// is a file or folder like any other, seen through the filter that owns it.
FileFacts::Type typeOf(DWORD attributes, DWORD tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    if (IsReparseTagNameSurrogate(tag)) return FileFacts::Type::Link;
    for (const DWORD special : kSpecialFileTags) {
      if (tag == special) return FileFacts::Type::Other;
    }
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileFacts::Type::Folder
                                                      : FileFacts::Type::File;
}

// What `path` names, and its attributes; sets `error` when it cannot be
// looked at.
FileFacts lookAt(const std::filesystem::path& path, bool followLink, DWORD& attributes,
                 std::error_code& error) {
  FileFacts facts;
  attributes = 0;
  const HANDLE file = CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = lastError();
    return facts;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    facts.type = FileFacts::Type::Other;  // a device, such as NUL, or a pipe
  } else if (!GetFileInformationByHandle(file, &information)) {
    error = lastError();
  } else {
    attributes = information.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        !GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)) {
      tag = {};
    }
    facts.type = typeOf(attributes, tag.ReparseTag);
    facts.identity = {
        information.dwVolumeSerialNumber,
        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    facts.size = (std::uintmax_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  }
  CloseHandle(file);
  return facts;
}

}  // namespace

std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data{};
  const HANDLE search = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    // The root of an empty drive lists nothing, not even "." and "..".
    if (GetLastError() != ERROR_FILE_NOT_FOUND) error = lastError();
    return entries;
  }
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry{std::filesystem::path(name), {}};
    // For a reparse point, dwReserved0 holds its tag.
    entry.facts.type = typeOf(data.dwFileAttributes, data.dwReserved0);
    entry.facts.size = (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    // A listing gives no file index: the file itself tells it. A link is
    // not followed for it, and a special file has none worth asking.
    if (entry.facts.type == FileFacts::Type::File || entry.facts.type == FileFacts::Type::Folder) {
      entry.facts.identity = SystemFile::identityOf(folder / entry.name).value_or(FileIdentity{});
    }
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) error = lastError();
  FindClose(search);
  return entries;
}

FileFacts factsOf(const std::filesystem::path& path, bool followLink, std::error_code& error) {
  DWORD attributes = 0;
  return lookAt(path, followLink, attributes, error);
}

// Links on Windows need a privilege to be made, and their targets a
// reparse-point query to be read: a walk passes over them instead.
std::optional<std::filesystem::path> readLink(const std::filesystem::path&,
                                              std::error_code& error) {
  error = std::make_error_code(std::errc::operation_not_supported);
  return std::nullopt;
}

void makeOutputFolder(const std::filesystem::path& path, FileAccess, std::error_code& error) {
  DWORD attributes = 0;
  std::error_code lookError;
  const FileFacts facts = lookAt(path, false, attributes, lookError);
  if (!lookError) {
    if (facts.type == FileFacts::Type::Folder) return;
    if (facts.type != FileFacts::Type::Link) {
      error = std::make_error_code(std::errc::not_a_directory);
      return;
    }
    // A link is replaced, so that nothing is written where it leads.
    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                             ? RemoveDirectoryW(path.c_str())
                             : DeleteFileW(path.c_str());
    if (!removed) {
      error = lastError();
      return;
    }
  }
  // Anything else that kept the path from being looked at is reported by
  // the creation, which meets it too.
  if (!CreateDirectoryW(path.c_str(), nullptr)) error = lastError();
}

void replaceWithLink(const std::filesystem::path&, const std::filesystem::path&,
                     std::error_code& error) {
  error = std::make_error_code(std::errc::operation_not_supported);
}

std::filesystem::path::string_type outputKey(const std::filesystem::path& path) {
  std::wstring key = path.lexically_normal().make_preferred().native();
  CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

}  // namespace cstrip::cli
