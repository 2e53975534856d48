#include "input_file.h"

#include <algorithm>
#include <utility>

#include "run_error.h"

namespace cstrip {

namespace {

SystemFile openInput(const std::filesystem::path& path, bool regularOnly, bool followLink) {
  if (path.empty()) throw RunError(Failure::NoInputPath);
  SystemFile file = SystemFile::openToRead(path, regularOnly, followLink);
  // A folder can be opened for reading; reading it would fail later with a
  // less helpful message, so it is refused here.
  if (file.kind() == SystemFile::Kind::Folder)
    throw RunError(Failure::OpenInput, path, kFolderError);
  return file;
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path, bool regularOnly, bool followLink)
    : path_(path),
      file_(openInput(path, regularOnly, followLink)),
      buffer_(std::make_unique_for_overwrite<char[]>(kIoBufferSize)) {}

std::span<char> InputFile::read() {
  const std::size_t got = peeked_ > 0  ? std::exchange(peeked_, 0)
                          : readAhead_ ? readAhead_->take(buffer_)
                                       : file_.read(buffer_.get(), kIoBufferSize);
  returned_ += got;
  // A regular file that fills a buffer most likely has more: the next one
  // is read while this one is converted.
  if (got == kIoBufferSize && io_ && !readAhead_ && file_.rewindable()) {
    readAhead_ = std::make_unique<ReadAhead>(*io_, file_, returned_, kIoBufferSize);
  }
  return {buffer_.get(), got};
}

std::span<const char> InputFile::peek() {
  // A pipe hands over a little at a time: read until the buffer is full.
  while (peeked_ < kIoBufferSize) {
    const std::size_t got = file_.read(buffer_.get() + peeked_, kIoBufferSize - peeked_);
    if (got == 0) break;
    peeked_ += got;
  }
  return {buffer_.get(), peeked_};
}

void InputFile::close() {
  readAhead_.reset();
  try {
    file_.close();
  } catch (const RunError&) {
    // Every byte has been read: a file only read loses nothing here.
  }
}

void InputFile::rewind() {
  readAhead_.reset();
  file_.rewind();
  peeked_ = 0;
  returned_ = 0;
}

std::size_t InputFile::readAt(std::uint64_t offset, std::span<char> into) {
  std::size_t got = 0;
  while (got < into.size()) {
    const std::size_t more = file_.readAt(into.data() + got, into.size() - got, offset + got);
    if (more == 0) break;
    got += more;
  }
  if (offset + got < std::min<std::uint64_t>(returned_, offset + into.size())) {
    throw RunError(Failure::ReadInput, path_, kFileCutShortError);
  }
  return got;
}

}  // namespace cstrip
