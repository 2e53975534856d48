#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "io_thread.h"
#include "system_file.h"

namespace cstrip {

// A regular file read one buffer ahead of the run on an IoThread, so that
// the system's copy of the next buffer overlaps the conversion of this
// one. Every read is made at its offset, so the file's own position is
// neither used nor kept; other reads at an offset may go on meanwhile.
class ReadAhead {
 public:
  // Starts reading `file` at `offset`, `size` bytes at a time, into a buffer
  // of its own.
  ReadAhead(IoThread& io, SystemFile& file, std::uint64_t offset, std::size_t size);
  // Waits for the read in flight to end, and leaves the file.
  ~ReadAhead() { io_.waitFor(reading_); }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Waits for the buffer being read, exchanges it with `buffer` (of the same
  // size), whose bytes are then free to go, and starts reading the next one
  // unless this one was empty. Returns the number of bytes read into it: 0
  // only at the end of the file. Throws the RunError of a read that failed,
  // again at every later call.
  std::size_t take(std::unique_ptr<char[]>& buffer);

 private:
  void readNext();

  IoThread& io_;
  SystemFile& file_;
  const std::size_t size_;
  std::unique_ptr<char[]> buffer_;
  IoThread::Ticket reading_ = 0;  // the read in flight
  // Set by the read, read by the run once it has waited for it:
  std::uint64_t offset_;  // where the next read starts
  std::size_t got_ = 0;
  std::exception_ptr failed_;
};

}  // namespace cstrip
