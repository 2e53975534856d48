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

// What a copy of a file may give others: the permission bits, and the group
// they are meant for (kAnyGroup where the file tells none, as a pipe).
inline constexpr std::uint32_t kAnyGroup = UINT32_MAX;
struct FileAccess {
  std::uint32_t permissions = 0666;
  std::uint32_t group = kAnyGroup;
};

// Whether `path` is "-", which stands for standard input or standard output.
bool isStandardStream(const std::filesystem::path& path);

// On POSIX, opens each of the descriptors 0, 1 and 2 that is closed on
// /dev/null, so that no file opened later takes its number and receives
// what is meant for the stream. Called once, before any other file is
// opened; "-" then refuses a stream that was closed (EBADF).
void guardStandardStreams();
// Whether standard output was closed when guardStandardStreams() ran.
bool standardOutputWasClosed();

// What an output path names, found before anything is written.
struct OutputTarget {
  // New: nothing yet, or (when links are not followed) a link or a special
  // file, which the new file replaces. Existing: a regular file, replaced
  // by the new one. Stream: a device or FIFO, or one reached through a
  // link, written directly.
  enum class Kind { New, Existing, Stream };
  Kind kind = Kind::New;
  // The file to write or replace: the path as given, or where its links
  // lead when they are followed.
  std::filesystem::path path;
  FileIdentity identity;  // Existing and Stream
  // Existing, on POSIX: the owner, group and permission bits it has.
  std::uint32_t permissions = 0;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  // Existing, when not empty: where replace() keeps the file (or the link)
  // at `path` before the new file takes its place.
  std::filesystem::path backup;
  // Existing, on POSIX: the replaced file, when large, is let go of on a
  // thread of its own, which the process does not wait for.
  bool releaseAside = false;
};

// An open file of the system (a descriptor on POSIX, a handle on Windows),
// closed by the destructor. Each failure throws RunError with the file's path
// and the system's error code: opening for reading and reading as the
// input's failures, the others as the output's.
class SystemFile {
 public:
  enum class Kind { Regular, Folder, Other };

  // Opens the existing file at `path` for reading; a folder opens too, so
  // that it can be refused by its kind. "-" is standard input. A
  // `regularOnly` file is opened without blocking and refused unless it is
  // a regular file (NotRegularInput), as is a link unless `followLink`.
  static SystemFile openToRead(const std::filesystem::path& path, bool regularOnly = false,
                               bool followLink = true);
  // What `path` names as an output, following a link at it when
  // `followLink` is set. Throws RunError (OpenOutput) for a folder, a link
  // that leads nowhere, and a regular file the user may not write.
  static OutputTarget findOutput(const std::filesystem::path& path, bool followLink);
  // The name `path` of the file `input`, opened through it, as the target
  // that replaces the file in place: Existing, with the file's own access
  // and owner, and `path` itself replaced, a link at it too, never where it
  // leads. When `backupSuffix` is not empty, the name followed by it is the
  // backup. Throws RunError: ChangedInPlace when `path` names another file
  // now, OpenOutput when it names none or one the user may not write, and
  // Backup for a backup name that is a folder; SameFile when the backup name
  // holds the file itself while `path` is a link to it, which would leave
  // the text under no name.
  static OutputTarget findInPlace(const std::filesystem::path& path, FileIdentity input,
                                  const std::filesystem::path::string_type& backupSuffix);
  // Opens a Stream target for writing, as it is; "-" is standard output.
  static SystemFile openStream(const std::filesystem::path& path);
  // Creates an empty temporary file beside `target.path`, to be put in its
  // place by replace(); errors name `target.path`. It takes the input's
  // permission bits (less the umask) when the target is New, the target's
  // own when it exists, and never bits the input does not have; group bits
  // only for the group they were meant for.
  static SystemFile createTemporary(const OutputTarget& target, FileAccess input);
  // The identity of the file `path` names, following links, or nothing when
  // it names none (or none that can be looked at).
  static std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

  SystemFile(SystemFile&& other) noexcept
      : path_(std::move(other.path_)),
        temporaryPath_(std::exchange(other.temporaryPath_, {})),
        handle_(std::exchange(other.handle_, kNoHandle)),
        forWriting_(other.forWriting_),
        standardStream_(other.standardStream_),
        identity_(other.identity_),
        kind_(other.kind_),
        access_(other.access_) {}
  SystemFile& operator=(SystemFile&& other) noexcept {
    SystemFile old(std::move(*this));
    path_ = std::move(other.path_);
    temporaryPath_ = std::exchange(other.temporaryPath_, {});
    handle_ = std::exchange(other.handle_, kNoHandle);
    forWriting_ = other.forWriting_;
    standardStream_ = other.standardStream_;
    identity_ = other.identity_;
    kind_ = other.kind_;
    access_ = other.access_;
    return *this;
  }
  // Closes the file; a temporary file not put in place is removed.
  ~SystemFile();

  FileIdentity identity() const { return identity_; }
  Kind kind() const { return kind_; }
  // What a copy of the file may give: a regular file's permission bits
  // (without set-id and sticky bits) and group, and for anything else (a
  // pipe, a device) what a shell gives a new file.
  FileAccess access() const { return access_; }
  // Whether the file can be read again from its start: a regular file that
  // is not standard input, which may start anywhere in a file.
  bool rewindable() const { return kind_ == Kind::Regular && !standardStream_; }

  // Reads up to `size` bytes into `into`; 0 only at the end of the file.
  std::size_t read(char* into, std::size_t size);
  // Goes back to the file's first byte.
  void rewind();
  // Writes every byte of [data, data + size).
  void writeAll(const char* data, std::size_t size);
  // As read() and writeAll(), at `offset` from the file's start, without
  // moving where the next read() or writeAll() goes. For regular files only.
  // Calls on two threads at once are safe, but may leave that place wrong
  // on Windows: a file read or written so then goes by offsets alone, or
  // rewinds or truncates first.
  std::size_t readAt(char* into, std::size_t size, std::uint64_t offset);
  void writeAllAt(const char* data, std::size_t size, std::uint64_t offset);
  // Empties a regular file open for writing; the next writeAll() goes to
  // its start.
  void truncate();
  // Closes the file, reporting what the system reports then (a full disk is
  // often reported only here).
  void close();
  // Closes this temporary file and renames it over `target.path`, which
  // keeps an Existing target's owner where the system allows. With a
  // backup, the file at `target.path` is first kept there: linked under the
  // backup name, so that the name never goes missing, or, where the system
  // cannot link it, moved there and moved back if the rename fails. When
  // any of it fails, the temporary file is removed and the target left as
  // it was (a backup made stays); a failed backup throws Backup.
  void replace(const OutputTarget& target);

 private:
  SystemFile() = default;
  void describe();  // fills identity_, kind_ and access_, or throws

  // No file: -1 as a descriptor, and INVALID_HANDLE_VALUE as a HANDLE.
  static constexpr std::intptr_t kNoHandle = -1;

  std::filesystem::path path_;           // as errors name it
  std::filesystem::path temporaryPath_;  // a temporary file's own, until it is put in place
  std::intptr_t handle_ = kNoHandle;     // the descriptor or the HANDLE
  bool forWriting_ = false;
  bool standardStream_ = false;
  FileIdentity identity_;
  Kind kind_ = Kind::Other;
  FileAccess access_;  // a temporary file's: the bits it takes in replace()
};

}  // namespace cstrip
