#include "case_converter.h"

#include <array>

namespace cstrip {

namespace {

using CaseTable = std::array<char, 256>;

constexpr CaseTable makeTable(unsigned char from, unsigned char to) {
  CaseTable table{};
  for (int byte = 0; byte < 256; ++byte) {
    const bool isLetter = byte >= from && byte < from + 26;
    table[byte] = static_cast<char>(isLetter ? byte - from + to : byte);
  }
  return table;
}

constexpr CaseTable kToLower = makeTable('A', 'a');
constexpr CaseTable kToUpper = makeTable('a', 'A');

constexpr std::span<const char> kTerminator{"\r\n", 2};

}  // namespace

bool CaseConverter::feed(std::span<char> chunk) {
  const CaseTable* table = lower_ ? &kToLower : &kToUpper;
  char* unwritten = chunk.data();
  char* const end = chunk.data() + chunk.size();
  for (char* p = chunk.data(); p != end; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (afterCR_) {
      afterCR_ = false;
      if (!endLine()) return false;
      if (byte == '\n') {  // the LF of CR LF belongs to the terminator
        unwritten = p + 1;
        continue;
      }
    }
    if (!inLine_) {
      inLine_ = true;
      lower_ = sink_.lowerCaseForNewLine();
      table = lower_ ? &kToLower : &kToUpper;
    }
    if (afterLeadByte_) {
      afterLeadByte_ = false;
      if (isTrailByte(byte)) continue;  // second byte of a double-byte character
    }
    if (byte == '\r') {
      if (p != unwritten) sink_.write({unwritten, p});
      unwritten = p + 1;
      afterCR_ = true;
    } else if (isLeadByte(byte)) {
      afterLeadByte_ = true;
    } else {
      *p = (*table)[byte];
    }
  }
  if (end != unwritten) sink_.write({unwritten, end});
  return true;
}

bool CaseConverter::finish() {
  afterCR_ = false;
  return inLine_ ? endLine() : true;
}

bool CaseConverter::endLine() {
  inLine_ = false;
  afterLeadByte_ = false;
  sink_.write(kTerminator);
  return sink_.lineEnded();
}

}  // namespace cstrip
