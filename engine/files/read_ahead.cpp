#include "read_ahead.h"

#include <utility>

namespace cstrip {

ReadAhead::ReadAhead(IoThread& io, SystemFile& file, std::uint64_t offset, std::size_t size)
    : io_(io),
      file_(file),
      size_(size),
      buffer_(std::make_unique_for_overwrite<char[]>(size)),
      offset_(offset) {
  readNext();
}

std::size_t ReadAhead::take(std::unique_ptr<char[]>& buffer) {
  io_.waitFor(reading_);
  if (failed_) std::rethrow_exception(failed_);
  std::swap(buffer, buffer_);
  const std::size_t got = got_;
  if (got > 0) readNext();
  return got;
}

void ReadAhead::readNext() {
  reading_ = io_.post([this, into = buffer_.get()] {
    try {
      got_ = file_.readAt(into, size_, offset_);
      offset_ += got_;
    } catch (...) {
      got_ = 0;
      failed_ = std::current_exception();
    }
  });
}

}  // namespace cstrip
