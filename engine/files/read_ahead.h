#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "system_file.h"

namespace cstrip {

// A regular file read one buffer ahead of the run, on a thread of its own,
// so that the system's copy of the next buffer overlaps the conversion of
// this one. Every read is made at its offset, so the file's own position
// is neither used nor kept; other reads at an offset may go on meanwhile.
class ReadAhead {
 public:
  // Starts reading `file` at `offset`, `size` bytes at a time, into a buffer
  // of its own. Throws std::system_error when the system gives no thread.
  ReadAhead(SystemFile& file, std::uint64_t offset, std::size_t size);
  // Waits for the read in flight to end, and leaves the file.
  ~ReadAhead() = default;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Waits for the buffer being read, exchanges it with `buffer` (of the same
  // size), whose bytes are then free to go, and starts reading the next one
  // unless this one was empty. Returns the number of bytes read into it: 0
  // only at the end of the file. Throws the RunError of a read that failed,
  // again at every later call.
  std::size_t take(std::unique_ptr<char[]>& buffer);

 private:
  void readEach(std::stop_token stop);

  SystemFile& file_;
  const std::size_t size_;
  std::unique_ptr<char[]> buffer_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  // Guarded by mutex_:
  std::uint64_t offset_;       // where the next read starts
  bool reading_ = true;        // a read is asked for or in flight
  std::size_t got_ = 0;        // what the last read gave
  std::exception_ptr failed_;  // how the last read failed
  std::jthread thread_;        // last: stopped and joined before the rest goes
};

}  // namespace cstrip
