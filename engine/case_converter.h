#pragma once

#include <cstring>
#include <span>

#include "case_letters.h"

namespace cstrip {

// The case run's conversion for whole buffers: the same output and the same
// calls to the sink as CaseStepper (see there for the rules and for Sink),
// many times faster. The input may arrive in chunks split anywhere, and
// memory stays constant whatever the length of a line.
//
// Why it is equivalent:
//  - Each chunk is converted in place in one vectorised pass with the
//    direction of the line it starts in. A CR or LF is neither a letter nor
//    a trail byte, so double-byte characters never span a line end and the
//    pass needs no knowledge of lines.
//  - The direction can change only at a line start. If it does, the rest of
//    the chunk is converted again with the new one. That gives the same
//    bytes as converting the original: lower(upper(x)) == lower(x) and the
//    reverse, and converting letters moves no byte into or out of the
//    lead-byte range, so the double-byte characters stay where they were.
//  - Input CR LF is output CR LF as it stands; a lone CR gets an LF after
//    it, and the last line a CR LF, so the output is passed on as spans of
//    the chunk with those few bytes in between.
template <class Sink>
class CaseConverter {
 public:
  explicit CaseConverter(Sink& sink) : sink_(sink) {}

  // Converts `chunk` in place and passes it to the sink. Returns false as
  // soon as the sink asks to stop; what precedes the stop has been passed on.
  bool feed(std::span<char> chunk);
  // At the end of the input: ends a last line that has no terminator.
  bool finish();

 private:
  bool endLine() {
    inLine_ = false;
    return sink_.lineEnded();
  }
  void startLine() {
    inLine_ = true;
    lower_ = sink_.lowerCaseForNewLine();
  }
  void write(const char* first, const char* last) {
    if (first != last) sink_.write({first, last});
  }

  Sink& sink_;
  bool inLine_ = false;         // a line has started and has not ended yet
  bool lower_ = true;           // the direction of the current line
  bool afterCR_ = false;        // the last byte was a CR, which ended its line
  bool afterLeadByte_ = false;  // the last byte may own the next as a trail byte
};

template <class Sink>
bool CaseConverter<Sink>::feed(std::span<char> chunk) {
  char* p = chunk.data();
  char* const end = p + chunk.size();
  char* unwritten = p;
  if (p == end) return true;
  if (afterCR_) {
    afterCR_ = false;
    if (*p == '\n') {
      ++p;  // CR LF: its CR went out with the previous chunk
    } else {
      sink_.write({"\n", 1});  // a lone CR, written with the previous chunk
    }
    if (!endLine()) {
      write(unwritten, p);
      return false;
    }
    if (p == end) {
      write(unwritten, p);
      return true;
    }
  }
  if (!inLine_) startLine();
  afterLeadByte_ = convertLetters(p, end, lower_, afterLeadByte_);

  for (;;) {
    auto* const cr = static_cast<char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    if (cr == nullptr) break;
    char* next = cr + 1;
    if (next == end) {
      afterCR_ = true;  // whether an LF follows shows in the next chunk
      break;
    }
    if (*next == '\n') {
      ++next;
    } else {
      write(unwritten, next);
      sink_.write({"\n", 1});
      unwritten = next;
    }
    if (!endLine()) {
      write(unwritten, next);
      return false;
    }
    p = next;
    if (p == end) break;
    const bool wasLower = lower_;
    startLine();
    if (lower_ != wasLower) afterLeadByte_ = convertLetters(p, end, lower_, false);
  }
  write(unwritten, end);
  return true;
}

template <class Sink>
bool CaseConverter<Sink>::finish() {
  if (afterCR_) {
    afterCR_ = false;
    sink_.write({"\n", 1});
    return endLine();
  }
  if (!inLine_) return true;
  sink_.write({"\r\n", 2});
  return endLine();
}

}  // namespace cstrip
