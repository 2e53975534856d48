#pragma once

#include <span>

#include "shift_jis.h"
#include "text_encoding.h"

namespace cstrip {

// The case run's conversion one byte at a time, as plainly as it can be
// written: the oracle that CaseConverter, with the same rules and the same
// Sink, is tested against.
template <class Sink>
class CaseStepper {
 public:
  CaseStepper(Sink& sink, TextEncoding encoding)
      : sink_(sink), shiftJis_(encoding == TextEncoding::ShiftJis) {}

  // Converts `chunk`; returns false as soon as the sink asks to stop.
  bool feed(std::span<const char> chunk) {
    for (const char ch : chunk) {
      char byte = ch;
      if (afterCR_) {
        afterCR_ = false;
        if (!endLine()) return false;
        if (byte == '\n') continue;  // the LF of CR LF belongs to the terminator
      }
      if (!inLine_) lower_ = sink_.lowerCaseForNewLine();
      inLine_ = true;
      if (afterLeadByte_ && isTrailByte(byte)) {
        afterLeadByte_ = false;
      } else if (byte == '\r') {
        afterCR_ = true;
        continue;
      } else {
        afterLeadByte_ = shiftJis_ && isLeadByte(byte);
        if (lower_ && byte >= 'A' && byte <= 'Z') byte += 'a' - 'A';
        if (!lower_ && byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
      }
      sink_.write({&byte, 1});
    }
    return true;
  }

  // At the end of the input: ends a last line that has no terminator.
  bool finish() { return !inLine_ || endLine(); }

 private:
  bool endLine() {
    inLine_ = false;
    afterLeadByte_ = false;
    sink_.write({"\r\n", 2});
    return sink_.lineEnded();
  }

  Sink& sink_;
  const bool shiftJis_;
  bool inLine_ = false;
  bool lower_ = true;
  bool afterCR_ = false;
  bool afterLeadByte_ = false;
};

}  // namespace cstrip
