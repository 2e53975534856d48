#pragma once

#include <span>

#include "shift_jis.h"

namespace cstrip {

// The case run's conversion one byte at a time, as plainly as it can be
// written: the reference that CaseConverter is tested against.
//
// A line ends at CR LF or at a CR not followed by LF; a lone LF is an
// ordinary byte of the line. Each line is written with CR LF after it, the
// last one too. Only A-Z and a-z change. A Shift-JIS double-byte character
// (a lead byte, then a trail byte) is copied unchanged even where its trail
// byte is an ASCII letter; a lead byte followed by anything else, or ending
// the line, is copied alone.
//
// Sink has: bool lowerCaseForNewLine(), asked once as each line starts
// (true for lower case); void write(std::span<const char>), the output in
// order; bool lineEnded(), after each line and its CR LF, false to stop.
template <class Sink>
class CaseStepper {
 public:
  explicit CaseStepper(Sink& sink) : sink_(sink) {}

  // Converts `chunk`; returns false as soon as the sink asks to stop.
  bool feed(std::span<const char> chunk) {
    for (const char ch : chunk) {
      const auto byte = static_cast<unsigned char>(ch);
      if (afterCR_) {
        afterCR_ = false;
        if (!endLine()) return false;
        if (byte == '\n') continue;  // the LF of CR LF belongs to the terminator
      }
      if (!inLine_) {
        inLine_ = true;
        lower_ = sink_.lowerCaseForNewLine();
      }
      if (afterLeadByte_) {
        afterLeadByte_ = false;
        if (isTrailByte(byte)) {
          put(byte);
          continue;
        }
      }
      if (byte == '\r') {
        afterCR_ = true;
      } else if (isLeadByte(byte)) {
        afterLeadByte_ = true;
        put(byte);
      } else if (lower_ && byte >= 'A' && byte <= 'Z') {
        put(byte + ('a' - 'A'));
      } else if (!lower_ && byte >= 'a' && byte <= 'z') {
        put(byte - ('a' - 'A'));
      } else {
        put(byte);
      }
    }
    return true;
  }

  // At the end of the input: ends a last line that has no terminator.
  bool finish() {
    afterCR_ = false;
    return inLine_ ? endLine() : true;
  }

 private:
  void put(int byte) {
    const char ch = static_cast<char>(byte);
    sink_.write({&ch, 1});
  }
  bool endLine() {
    inLine_ = false;
    afterLeadByte_ = false;
    sink_.write({"\r\n", 2});
    return sink_.lineEnded();
  }

  Sink& sink_;
  bool inLine_ = false;
  bool lower_ = true;
  bool afterCR_ = false;
  bool afterLeadByte_ = false;
};

}  // namespace cstrip
