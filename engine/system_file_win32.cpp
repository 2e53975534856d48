#include <windows.h>

#include <algorithm>
#include <utility>

#include "run_error.h"
#include "system_file.h"

namespace cstrip {

namespace {

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}
std::intptr_t fromHandle(HANDLE handle) {
  return reinterpret_cast<std::intptr_t>(handle);
}

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

}  // namespace

bool isStandardStream(const std::filesystem::path& path) {
  return path.native() == L"-";
}

SystemFile SystemFile::openToRead(const std::filesystem::path& path) {
  SystemFile file;
  file.path_ = path;
  file.standardStream_ = isStandardStream(path);
  // Backup semantics let a folder open, so that it is refused as a folder
  // rather than with "access denied".
  file.handle_ = fromHandle(
      file.standardStream_
          ? duplicateStandard(STD_INPUT_HANDLE)
          : CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.handle_ == kNoHandle) throw RunError(Failure::OpenInput, path, lastError());
  file.describe();
  return file;
}

SystemFile SystemFile::openToWrite(const std::filesystem::path& path) {
  SystemFile file;
  file.path_ = path;
  file.forWriting_ = true;
  file.standardStream_ = isStandardStream(path);
  file.handle_ =
      fromHandle(file.standardStream_ ? duplicateStandard(STD_OUTPUT_HANDLE)
                                      : CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.handle_ == kNoHandle) {
    // Windows answers "access denied" for a folder; say what it is.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    throw RunError(Failure::OpenOutput, path, folder ? ERROR_DIRECTORY : lastError());
  }
  file.describe();
  return file;
}

std::optional<FileIdentity> SystemFile::identityOf(const std::filesystem::path& path) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return identityIn(information);
}

SystemFile::~SystemFile() {
  if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
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
  if (ReadFile(asHandle(handle_), into, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)),
               &got, nullptr)) {
    return got;
  }
  // A pipe whose writer has closed it has simply ended.
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
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

void SystemFile::truncate() {
  if (!SetFilePointerEx(asHandle(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(asHandle(handle_))) {
    throw RunError(Failure::EmptyOutput, path_, lastError());
  }
}

void SystemFile::close() {
  const HANDLE handle = asHandle(std::exchange(handle_, kNoHandle));
  if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) {
    throw RunError(Failure::CloseOutput, path_, lastError());
  }
}

}  // namespace cstrip
