#pragma once

#include <span>

namespace cstrip {

// Where the case converter sends its lines.
class CaseLineSink {
 public:
  virtual ~CaseLineSink() = default;
  // Asked once as each line starts, before any of it is written: true for
  // lower case, false for upper case.
  virtual bool lowerCaseForNewLine() = 0;
  // The next converted bytes of the current line, or its CR LF terminator.
  virtual void write(std::span<const char> bytes) = 0;
  // A line and its CR LF have been written. Returns false to stop converting.
  virtual bool lineEnded() = 0;
};

// Converts a byte stream line by line to lower or upper case, streaming: the
// input may arrive in chunks split anywhere, and memory stays constant
// whatever the length of a line.
//
// A line ends at CR LF or at a CR not followed by LF; a lone LF is an
// ordinary byte of the line. Each line is written with CR LF after it, the
// last one too. Only A-Z and a-z change. A Shift-JIS double-byte character
// (lead byte 0x81-0x9F or 0xE0-0xFC, then trail byte 0x40-0x7E or 0x80-0xFC)
// is copied unchanged even where its trail byte is an ASCII letter; a lead
// byte followed by anything else, or ending the line, is copied alone.
class CaseConverter {
 public:
  explicit CaseConverter(CaseLineSink& sink) : sink_(sink) {}

  // Converts `chunk` in place and passes it to the sink. Returns false as
  // soon as the sink asks to stop.
  bool feed(std::span<char> chunk);
  // At the end of the input: ends a last line that has no terminator.
  // Returns false if the sink asks to stop.
  bool finish();

  static constexpr bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }
  static constexpr bool isTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
  }

 private:
  bool endLine();

  CaseLineSink& sink_;
  bool inLine_ = false;         // a line has started and has not ended yet
  bool lower_ = true;           // the direction of the current line
  bool afterCR_ = false;        // the previous byte was a CR, which ended its line
  bool afterLeadByte_ = false;  // the previous byte may open a double-byte character
};

}  // namespace cstrip
