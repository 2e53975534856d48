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

SystemFile SystemFile::openToRead(const std::filesystem::path& path, bool regularOnly, bool) {
  SystemFile file;
  file.path_ = path;
  file.standardStream_ = isStandardStream(path);
  // Backup semantics let a folder open, so that it is refused as a folder
  // rather than with "access denied". Opening a file never waits here, and
  // a walk passes over links: both rules hold as they are.
  file.handle_ = fromHandle(
      file.standardStream_
          ? duplicateStandard(STD_INPUT_HANDLE)
          : CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
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
    // A missing folder on the way is reported when the file is created.
    const int error = lastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return target;
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
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw RunError(Failure::OpenOutput, path, ERROR_DIRECTORY);
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return target;  // a link, replaced
  // A read-only file is not replaced, as it could not be written.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    throw RunError(Failure::OpenOutput, path, ERROR_ACCESS_DENIED);
  }
  const DWORD named = GetFileAttributesW(path.c_str());
  if (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // Reached through a link: the file it leads to is replaced.
    std::wstring real(32768, L'\0');
    const DWORD size =
        GetFinalPathNameByHandleW(handle.handle, real.data(), static_cast<DWORD>(real.size()), 0);
    if (size == 0 || size >= real.size()) throw RunError(Failure::OpenOutput, path, lastError());
    real.resize(size);
    target.path = real;
  }
  target.kind = OutputTarget::Kind::Existing;
  target.identity = identityIn(information);
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

SystemFile SystemFile::createTemporary(const OutputTarget& target, std::uint32_t) {
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
      throw RunError(Failure::OpenOutput, target.path, error);
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
  if (ReadFile(asHandle(handle_), into, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)),
               &got, nullptr)) {
    // A console read that Ctrl+C ends returns nothing: not the end.
    if (got == 0 && processStopSignal() != 0) {
      throw RunError(Failure::ReadInput, path_, ERROR_OPERATION_ABORTED);
    }
    return got;
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

void SystemFile::close() {
  const HANDLE handle = asHandle(std::exchange(handle_, kNoHandle));
  if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) {
    throw RunError(Failure::CloseOutput, path_, lastError());
  }
}

void SystemFile::replace(const OutputTarget& target) {
  close();  // on failure, the destructor removes the temporary file
  if (!MoveFileExW(temporaryPath_.c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw RunError(Failure::ReplaceOutput, path_, lastError());
  }
  temporaryPath_.clear();
}

}  // namespace cstrip
