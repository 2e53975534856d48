#include "read_ahead.h"

#include <utility>

#include "stop_signals.h"

namespace cstrip {

ReadAhead::ReadAhead(SystemFile& file, std::uint64_t offset, std::size_t size)
    : file_(file),
      size_(size),
      buffer_(std::make_unique_for_overwrite<char[]>(size)),
      offset_(offset),
      thread_(startWorker([this](std::stop_token stop) { readEach(stop); })) {}

std::size_t ReadAhead::take(std::unique_ptr<char[]>& buffer) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !reading_; });
  if (failed_) std::rethrow_exception(failed_);
  std::swap(buffer, buffer_);
  reading_ = got_ > 0;
  if (reading_) changed_.notify_all();
  return got_;
}

void ReadAhead::readEach(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (changed_.wait(lock, stop, [&] { return reading_; }) && !stop.stop_requested()) {
    char* const into = buffer_.get();
    const std::uint64_t offset = offset_;
    lock.unlock();
    std::size_t got = 0;
    std::exception_ptr failed;
    try {
      got = file_.readAt(into, size_, offset);
    } catch (...) {
      failed = std::current_exception();
    }
    lock.lock();
    got_ = got;
    failed_ = failed;
    offset_ += got;
    reading_ = false;
    changed_.notify_all();
  }
}

}  // namespace cstrip
