#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

namespace cstrip {

// The size of the input's and the output's buffers: large enough that system
// calls cost nothing next to the conversion, small enough that a run's memory
// stays a few hundred KiB whatever the file.
inline constexpr std::size_t kIoBufferSize = 256 * 1024;

// Identifies a file independently of how its path was spelled, through links
// and short names too: device and inode on POSIX, volume serial number and
// file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Whether `path` is "-", which stands for standard input or standard output.
bool isStandardStream(const std::filesystem::path& path);

// An open file of the system (a descriptor on POSIX, a handle on Windows),
// closed by the destructor. Each failure throws RunError with the file's path
// and the system's error code: opening for reading and reading as the
// input's failures, the others as the output's.
class SystemFile {
 public:
  enum class Kind { Regular, Folder, Other };

  // Opens the existing file at `path` for reading; a folder opens too, so
  // that it can be refused by its kind. "-" is standard input.
  static SystemFile openToRead(const std::filesystem::path& path);
  // Opens `path` for writing, creating it when missing but not emptying it.
  // "-" is standard output.
  static SystemFile openToWrite(const std::filesystem::path& path);
  // The identity of the file `path` names, following links, or nothing when
  // it names none (or none that can be looked at).
  static std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

  SystemFile(SystemFile&& other) noexcept
      : path_(std::move(other.path_)),
        handle_(std::exchange(other.handle_, kNoHandle)),
        forWriting_(other.forWriting_),
        standardStream_(other.standardStream_),
        identity_(other.identity_),
        kind_(other.kind_) {}
  SystemFile& operator=(SystemFile&& other) noexcept {
    SystemFile old(std::move(*this));
    path_ = std::move(other.path_);
    handle_ = std::exchange(other.handle_, kNoHandle);
    forWriting_ = other.forWriting_;
    standardStream_ = other.standardStream_;
    identity_ = other.identity_;
    kind_ = other.kind_;
    return *this;
  }
  ~SystemFile();

  FileIdentity identity() const { return identity_; }
  Kind kind() const { return kind_; }
  // Whether the file can be read again from its start: a regular file that
  // is not standard input, which may start anywhere in a file.
  bool rewindable() const { return kind_ == Kind::Regular && !standardStream_; }
  // Whether the file may be emptied: a regular file that is not standard
  // output, which is written where the shell put it, appending or not.
  bool truncatable() const { return kind_ == Kind::Regular && !standardStream_; }

  // Reads up to `size` bytes into `into`; 0 only at the end of the file.
  std::size_t read(char* into, std::size_t size);
  // Goes back to the file's first byte.
  void rewind();
  // Writes every byte of [data, data + size).
  void writeAll(const char* data, std::size_t size);
  // Empties the file.
  void truncate();
  // Closes the file, reporting what the system reports then (a full disk is
  // often reported only here).
  void close();

 private:
  SystemFile() = default;
  void describe();  // fills identity_ and kind_, or throws

  // No file: -1 as a descriptor, and INVALID_HANDLE_VALUE as a HANDLE.
  static constexpr std::intptr_t kNoHandle = -1;

  std::filesystem::path path_;
  std::intptr_t handle_ = kNoHandle;  // the descriptor or the HANDLE
  bool forWriting_ = false;
  bool standardStream_ = false;
  FileIdentity identity_;
  Kind kind_ = Kind::Other;
};

}  // namespace cstrip
