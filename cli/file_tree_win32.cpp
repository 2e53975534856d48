#include <windows.h>

#include "file_tree.h"

namespace cstrip::cli {

namespace {

std::error_code lastError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

FileFacts::Type typeOf(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FileFacts::Type::Link
         : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? FileFacts::Type::Folder
                                                          : FileFacts::Type::File;
}

}  // namespace

std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data{};
  const HANDLE search = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    error = lastError();
    return entries;
  }
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry{std::filesystem::path(name), {}};
    entry.facts.type = typeOf(data.dwFileAttributes);
    entry.facts.size = (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    // Windows lists no file index: the file itself tells it.
    if (entry.facts.type != FileFacts::Type::Link) {
      entry.facts.identity = SystemFile::identityOf(folder / entry.name).value_or(FileIdentity{});
    }
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) error = lastError();
  FindClose(search);
  return entries;
}

FileFacts factsOf(const std::filesystem::path& path, bool followLink, std::error_code& error) {
  FileFacts facts;
  const HANDLE file = CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
  BY_HANDLE_FILE_INFORMATION information{};
  if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &information)) {
    error = lastError();
  } else {
    facts.type = typeOf(information.dwFileAttributes);
    facts.identity = {
        information.dwVolumeSerialNumber,
        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    facts.size = (std::uintmax_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return facts;
}

// Links on Windows need a privilege to be made, and their targets a
// reparse-point query to be read: a walk passes over them instead.
std::optional<std::filesystem::path> readLink(const std::filesystem::path&,
                                              std::error_code& error) {
  error = std::make_error_code(std::errc::operation_not_supported);
  return std::nullopt;
}

void makeOutputFolder(const std::filesystem::path& path, std::uint32_t, std::error_code& error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const FileFacts::Type type = typeOf(attributes);
    if (type == FileFacts::Type::Folder) return;
    if (type != FileFacts::Type::Link) {
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
