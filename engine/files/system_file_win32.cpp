#include <windows.h>

#include <algorithm>
#include <utility>

#include "process_stop.h"
#include "run_error.h"
#include "system_file.h"
#include "temporary_name.h"

namespace cstrip {

namespace {

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}
std::intptr_t fromHandle(HANDLE handle) {
  return reinterpret_cast<std::intptr_t>(handle);
}

// Closes a handle of the system's at the end of its scope.
struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

int lastError() {
  return static_cast<int>(GetLastError());
}

FileIdentity identityIn(const BY_HANDLE_FILE_INFORMATION& information) {
  return {information.dwVolumeSerialNumber,
          (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

// Every other process may read, write, rename and delete the files while
// they are open, as on POSIX: the same-file refusal goes by identity, not by
// a sharing violation.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A duplicate of the process's standard handle `which`, owned by the caller.
HANDLE duplicateStandard(DWORD which) {
  HANDLE duplicate = INVALID_HANDLE_VALUE;
  const HANDLE standard = GetStdHandle(which);
  if (standard == nullptr || standard == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);  // a window program started without one
  } else if (!DuplicateHandle(GetCurrentProcess(), standard, GetCurrentProcess(), &duplicate, 0,
                              FALSE, DUPLICATE_SAME_ACCESS)) {
    duplicate = INVALID_HANDLE_VALUE;
  }
  return duplicate;
}

// The attributes and the reparse tag of the file open at `handle`; none
// when the system tells nothing.
FILE_ATTRIBUTE_TAG_INFO attributesOf(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO information{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &information,
                                    sizeof information)) {
    information = {};
  }
  return information;
}

bool isReparsePoint(const FILE_ATTRIBUTE_TAG_INFO& information) {
  return (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Whether the file open at `handle`, opened without following a link at its
// name, is a link: a symbolic link, a junction or another name surrogate.
// Other reparse points (a deduplicated file, a cloud file's placeholder)
// are files like any other, read through the filter that owns them.
bool isLink(HANDLE handle) {
  const FILE_ATTRIBUTE_TAG_INFO information = attributesOf(handle);
  return isReparsePoint(information) && IsReparseTagNameSurrogate(information.ReparseTag);
}

// Whether the last part of `path` is itself a link.
bool namesLink(const std::filesystem::path& path) {
  const HandleCloser handle{
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
  return handle.handle != INVALID_HANDLE_VALUE && isLink(handle.handle);
}

// A final path as GetFinalPathNameByHandleW gives it (\\?\C:\... or
// \\?\UNC\...), without that prefix where the path means the same without
// it, so that messages show it as the user would write it.
std::wstring plainPath(const std::wstring& path) {
  std::wstring plain;
  if (path.starts_with(L"\\\\?\\UNC\\")) {
    plain = L"\\" + path.substr(7);  // \\?\UNC\server\share: \\server\share
  } else if (path.starts_with(L"\\\\?\\") && path.size() >= 7 && path[5] == L':' &&
             path[6] == L'\\') {
    plain = path.substr(4);
  } else {
    return path;
  }
  // Without the prefix, a long path is refused and a name's trailing dot
  // or space is dropped.
  if (plain.size() >= MAX_PATH) return path;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    const bool last = i + 1 == plain.size() || plain[i + 1] == L'\\';
    if (last && (plain[i] == L'.' || plain[i] == L' ')) return path;
  }
  return plain;
}

// Whether CreateHardLinkW failed with `error` because the file system
// cannot link this file (no hard links, as FAT; another volume; too many
// links already), not for a fault that moving the file would meet too.
bool cannotLink(int error) {
  switch (error) {
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_TOO_MANY_LINKS:
      return true;
    default:
      return false;
  }
}

// Keeps the file (or link) at `name` as `backup`, replacing what is there.
// It is linked under a temporary name, then moved over the backup, so that
// `name` stays in place throughout; where it cannot be linked, and for a
// link at `name` (a hard link would be made to where it leads), it is
// moved, and true returned: `name` is then free until the caller fills it
// or moves the file back. Throws RunError (Backup) when it fails; `name` is
// then as it was.
bool keepBackup(const std::filesystem::path& name, const std::filesystem::path& backup) {
  for (int tries = 0; !namesLink(name); ++tries) {
    const std::filesystem::path linked = temporaryNameBeside(name);
    if (CreateHardLinkW(linked.c_str(), name.c_str(), nullptr)) {
      const bool kept = MoveFileExW(linked.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
      const int error = lastError();
      DeleteFileW(linked.c_str());  // there still when the move failed
      if (!kept) throw RunError(Failure::Backup, backup, error);
      return false;
    }
    const int error = lastError();
    if (error == ERROR_ALREADY_EXISTS && tries < 100) continue;
    if (!cannotLink(error)) throw RunError(Failure::Backup, backup, error);
    break;
  }
  if (!MoveFileExW(name.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw RunError(Failure::Backup, backup, lastError());
  }
  return true;
}

}  // namespace

bool isStandardStream(const std::filesystem::path& path) {
  return path.native() == L"-";
}

// Handles are not numbered: a file opened later never takes a standard
// stream's place, and a missing stream is refused as it is.
void guardStandardStreams() {}

bool standardOutputWasClosed() {
  return false;
}

SystemFile SystemFile::openToRead(const std::filesystem::path& path, bool regularOnly,
                                  bool followLink) {
  SystemFile file;
  file.path_ = path;
  file.standardStream_ = isStandardStream(path);
  // Backup semantics let a folder open, so that it is refused as a folder
  // rather than with "access denied". Opening a file never waits here.
  const auto openNamed = [&](DWORD flags) {
    return fromHandle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN | flags,
                                  nullptr));
  };
  if (file.standardStream_) {
    file.handle_ = fromHandle(duplicateStandard(STD_INPUT_HANDLE));
  } else if (followLink) {
    file.handle_ = openNamed(0);
  } else {
    // The file at the name itself: a link there is refused, never read
    // through. Any other reparse point is opened again through its filter,
    // which alone gives its contents.
    file.handle_ = openNamed(FILE_FLAG_OPEN_REPARSE_POINT);
    if (file.handle_ != kNoHandle && isLink(asHandle(file.handle_))) {
      throw RunError(Failure::NotRegularInput, path);
    }
    if (file.handle_ != kNoHandle && isReparsePoint(attributesOf(asHandle(file.handle_)))) {
      CloseHandle(asHandle(std::exchange(file.handle_, kNoHandle)));
      file.handle_ = openNamed(0);
    }
  }
  if (file.handle_ == kNoHandle) throw RunError(Failure::OpenInput, path, lastError());
  file.describe();
  if (regularOnly && file.kind_ != Kind::Regular) throw RunError(Failure::NotRegularInput, path);
  return file;
}

OutputTarget SystemFile::findOutput(const std::filesystem::path& path, bool followLink) {
  OutputTarget target;
  target.path = path;
  const HandleCloser handle{CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr)};
  if (handle.handle == INVALID_HANDLE_VALUE) {
    const int error = lastError();
    // Nothing there is a new file; a missing folder on the way is reported
    // when the file is created. A link that leads nowhere is refused.
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (missing && (!followLink || !namesLink(path))) return target;
    throw RunError(Failure::OpenOutput, path, error);
  }
  if (GetFileType(handle.handle) != FILE_TYPE_DISK) {
    if (!followLink) return target;
    target.kind = OutputTarget::Kind::Stream;  // a device, such as NUL or CON
    target.identity = {UINT64_MAX, UINT64_MAX};
    return target;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle.handle, &information)) {
    throw RunError(Failure::OpenOutput, path, lastError());
  }
  const DWORD attributes = information.dwFileAttributes;
  // A link to a folder (a junction too) is a folder here: a file cannot be
  // renamed over it, and nothing is written where it leads.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw RunError(Failure::OpenOutput, path, ERROR_DIRECTORY);
  }
  if (!followLink && isLink(handle.handle)) return target;  // a link, replaced
  // A read-only file is not replaced, as it could not be written.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    throw RunError(Failure::OpenOutput, path, ERROR_ACCESS_DENIED);
  }
  if (followLink && namesLink(path)) {
    // Reached through a link: the file it leads to is replaced.
    std::wstring real(32768, L'\0');
    const DWORD size =
        GetFinalPathNameByHandleW(handle.handle, real.data(), static_cast<DWORD>(real.size()), 0);
    if (size == 0 || size >= real.size()) throw RunError(Failure::OpenOutput, path, lastError());
    real.resize(size);
    target.path = plainPath(real);
  }
  target.kind = OutputTarget::Kind::Existing;
  target.identity = identityIn(information);
  return target;
}

OutputTarget SystemFile::findInPlace(const std::filesystem::path& path, FileIdentity input,
                                     const std::filesystem::path::string_type& backupSuffix) {
  // The name's file, through a link at it, and what is at the backup name
  // itself, a link too.
  const auto describeAt = [](const std::filesystem::path& at, DWORD flags,
                             BY_HANDLE_FILE_INFORMATION& information) {
    const HandleCloser handle{CreateFileW(at.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                                          nullptr)};
    return handle.handle != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(handle.handle, &information);
  };
  OutputTarget target;
  target.path = path;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!describeAt(path, 0, information)) throw RunError(Failure::OpenOutput, path, lastError());
  if (identityIn(information) != input) throw RunError(Failure::ChangedInPlace, path);
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    throw RunError(Failure::OpenOutput, path, ERROR_ACCESS_DENIED);
  }
  target.kind = OutputTarget::Kind::Existing;
  target.identity = input;
  if (backupSuffix.empty()) return target;
  target.backup = path.native() + backupSuffix;
  if (!describeAt(target.backup, FILE_FLAG_OPEN_REPARSE_POINT, information)) return target;
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw RunError(Failure::Backup, target.backup, ERROR_DIRECTORY);
  }
  if (identityIn(information) == input && namesLink(path)) {
    throw RunError(Failure::SameFile, target.backup);
  }
  return target;
}

SystemFile SystemFile::openStream(const std::filesystem::path& path) {
  SystemFile file;
  file.path_ = path;
  file.forWriting_ = true;
  file.standardStream_ = isStandardStream(path);
  file.handle_ =
      fromHandle(file.standardStream_ ? duplicateStandard(STD_OUTPUT_HANDLE)
                                      : CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.handle_ == kNoHandle) throw RunError(Failure::OpenOutput, path, lastError());
  file.describe();
  return file;
}

SystemFile SystemFile::createTemporary(const OutputTarget& target, FileAccess) {
  // Windows has no permission bits: the new file takes the folder's
  // inherited access, as any new file there does.
  SystemFile file;
  file.path_ = target.path;
  file.forWriting_ = true;
  for (int tries = 0; file.handle_ == kNoHandle; ++tries) {
    file.temporaryPath_ = temporaryNameBeside(target.path);
    file.handle_ = fromHandle(CreateFileW(file.temporaryPath_.c_str(), GENERIC_WRITE, kShareAll,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle_ == kNoHandle && (GetLastError() != ERROR_FILE_EXISTS || tries == 100)) {
      const int error = lastError();
      file.temporaryPath_.clear();  // not ours: nothing to remove
      throw RunError(Failure::CreateTemporary, target.path, error);
    }
  }
  file.describe();
  return file;
}

std::optional<FileIdentity> SystemFile::identityOf(const std::filesystem::path& path) {
  const HandleCloser handle{CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  BY_HANDLE_FILE_INFORMATION information{};
  if (handle.handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(handle.handle, &information)) {
    return std::nullopt;
  }
  return identityIn(information);
}

SystemFile::~SystemFile() {
  if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
  if (!temporaryPath_.empty()) DeleteFileW(temporaryPath_.c_str());
}

void SystemFile::describe() {
  BY_HANDLE_FILE_INFORMATION information{};
  const bool disk = GetFileType(asHandle(handle_)) == FILE_TYPE_DISK;
  if (disk && !GetFileInformationByHandle(asHandle(handle_), &information) && !standardStream_) {
    throw RunError(forWriting_ ? Failure::OpenOutput : Failure::OpenInput, path_, lastError());
  }
  if (!disk || information.nNumberOfLinks == 0) {
    // A console or a pipe, or a standard stream the system tells nothing
    // about (as Wine, for a file the shell opened): no file index, and
    // never the same file as another handle.
    identity_ = {UINT64_MAX, static_cast<std::uint64_t>(handle_)};
    kind_ = Kind::Other;
    return;
  }
  identity_ = identityIn(information);
  kind_ =
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Folder : Kind::Regular;
}

std::size_t SystemFile::read(char* into, std::size_t size) {
  DWORD got = 0;
  SetLastError(ERROR_SUCCESS);
  if (ReadFile(asHandle(handle_), into, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)),
               &got, nullptr)) {
    if (got > 0) return got;
    // Ctrl+C ends a console read with nothing and ERROR_OPERATION_ABORTED,
    // maybe before the control handler, on a thread of its own, has asked
    // the runs to stop: either way it is not the end of the input, and the
    // handler is given a moment so that the run is seen as stopped.
    if (GetLastError() == ERROR_OPERATION_ABORTED || processStopSignal() != 0) {
      for (int waited = 0; waited < 100 && processStopSignal() == 0; ++waited) Sleep(1);
      throw RunError(Failure::ReadInput, path_, ERROR_OPERATION_ABORTED);
    }
    return 0;
  }
  // A pipe whose writer has closed it has simply ended.
  if (GetLastError() == ERROR_BROKEN_PIPE && processStopSignal() == 0) return 0;
  throw RunError(Failure::ReadInput, path_, lastError());
}

void SystemFile::rewind() {
  if (!SetFilePointerEx(asHandle(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
    throw RunError(Failure::ReadInput, path_, lastError());
  }
}

void SystemFile::writeAll(const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(asHandle(handle_), data,
                   static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)), &written, nullptr)) {
      throw RunError(Failure::WriteOutput, path_, lastError());
    }
    data += written;
    size -= written;
  }
}

namespace {

// Where the next ReadFile or WriteFile without an offset goes: a positioned
// one on a handle opened for synchronous use moves it, so it is put back.
struct FilePointerKept {
  HANDLE handle;
  LARGE_INTEGER saved{};
  bool known = SetFilePointerEx(handle, LARGE_INTEGER{}, &saved, FILE_CURRENT);
  ~FilePointerKept() {
    if (known) SetFilePointerEx(handle, saved, nullptr, FILE_BEGIN);
  }
};

OVERLAPPED positionAt(std::uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return overlapped;
}

}  // namespace

std::size_t SystemFile::readAt(char* into, std::size_t size, std::uint64_t offset) {
  const FilePointerKept kept{asHandle(handle_)};
  OVERLAPPED where = positionAt(offset);
  DWORD got = 0;
  if (ReadFile(asHandle(handle_), into, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)),
               &got, &where)) {
    return got;
  }
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;
  throw RunError(Failure::ReadInput, path_, lastError());
}

void SystemFile::truncate() {
  if (!SetFilePointerEx(asHandle(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(asHandle(handle_))) {
    throw RunError(Failure::WriteOutput, path_, lastError());
  }
}

void SystemFile::writeAllAt(const char* data, std::size_t size, std::uint64_t offset) {
  const FilePointerKept kept{asHandle(handle_)};
  while (size > 0) {
    OVERLAPPED where = positionAt(offset);
    DWORD written = 0;
    if (!WriteFile(asHandle(handle_), data,
                   static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)), &written, &where)) {
      throw RunError(Failure::WriteOutput, path_, lastError());
    }
    data += written;
    size -= written;
    offset += written;
  }
}

void SystemFile::close() {
  const HANDLE handle = asHandle(std::exchange(handle_, kNoHandle));
  if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) {
    throw RunError(Failure::CloseOutput, path_, lastError());
  }
}

void SystemFile::replace(const OutputTarget& target) {
  close();  // on failure, the destructor removes the temporary file
  const bool movedAway = !target.backup.empty() && keepBackup(target.path, target.backup);
  if (!MoveFileExW(temporaryPath_.c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const int error = lastError();
    if (movedAway) MoveFileExW(target.backup.c_str(), target.path.c_str(), 0);
    throw RunError(Failure::ReplaceOutput, path_, error);
  }
  temporaryPath_.clear();
}

}  // namespace cstrip
