#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "read_ahead.h"
#include "system_file.h"

namespace cstrip {

// The run's input (file 1), read sequentially through a fixed buffer.
// Closed by its destructor.
class InputFile {
 public:
  // Opens `path` for reading. Throws RunError when the path is empty, names
  // no file, names a folder or cannot be opened, and as
  // SystemFile::openToRead does with `regularOnly` and `followLink`.
  explicit InputFile(const std::filesystem::path& path, bool regularOnly = false,
                     bool followLink = true);
  // As above, reading a regular file ahead on `io` once it has filled a
  // buffer; `io` outlives the InputFile.
  InputFile(IoThread& io, const std::filesystem::path& path, bool regularOnly = false,
            bool followLink = true)
      : InputFile(path, regularOnly, followLink) {
    io_ = &io;
  }
  // Kept where it was made: a read ahead refers to its file.
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The next bytes of the file, at most kIoBufferSize; empty only at the
  // end of the file. Valid and writable until the next call. Throws
  // RunError on a read failure.
  std::span<char> read();

  // Before the first read(): the file's first kIoBufferSize bytes, or all
  // of them if it has fewer, left for the next read() to return again.
  std::span<const char> peek();

  // Whether the file can be read again from its start (a regular file, not
  // a pipe), and doing so: the next read() starts at its first byte.
  bool rewindable() const { return file_.rewindable(); }
  void rewind();
  // For a rewindable file, leaving read() where it was: the file's bytes
  // from `offset` on, as many as fit in `into` or as there are. Throws
  // RunError on a read failure, and when bytes that read() has returned are
  // no longer there: the file was cut short during the run.
  std::size_t readAt(std::uint64_t offset, std::span<char> into);

  // Closes the file before its end, when nothing more is to be read: an
  // output that replaces it in place may need it closed (Windows).
  void close();

  FileIdentity identity() const { return file_.identity(); }
  FileAccess access() const { return file_.access(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  SystemFile file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t peeked_ = 0;      // bytes at the buffer's start that read() returns next
  std::uint64_t returned_ = 0;  // bytes read() has returned since the start
  IoThread* io_ = nullptr;
  std::unique_ptr<ReadAhead> readAhead_;  // last: gone before the file and buffer
};

}  // namespace cstrip
