#pragma once

#include <span>
#include <string_view>

#include "byte_kernels.h"
#include "c_comment_stripper.h"

namespace cstrip {

// CCommentStripper, fast: between the bytes that can change its state it
// takes whole runs at once, found with the byte kernels, and it steps only
// those bytes one at a time. Its output is the plain stepper's, byte for
// byte, for any input split anywhere.
class FastCCommentStripper : private CCommentStripper {
 public:
  explicit FastCCommentStripper(CStripRules rules,
                                const ByteKernels& kernels = fastestByteKernels())
      : CCommentStripper(rules), kernels_(kernels) {}

  // Takes every byte of `chunk`, writing to `out` (put(char),
  // write(std::span<const char>)) and calling lines.count() after each line
  // end read: CR LF, CR or LF. Returns false as soon as lines.count() does,
  // leaving the rest of the chunk untaken.
  template <class Output, class Lines>
  bool feed(std::span<const char> chunk, Output& out, Lines& lines);

  using CCommentStripper::finish;
  using CCommentStripper::unterminatedCommentLine;

 private:
  // Where each state's runs stop: at a byte that may change the state.
  static constexpr StopBytes kCodeStops = {{'/', '"', '\'', '\\', '\r', '\n'}, 6};
  static constexpr StopBytes kLineCommentStops = {{'\r', '\n'}, 2};
  static constexpr StopBytes kBlockCommentStops = {{'*', '\r', '\n'}, 3};
  static constexpr StopBytes kStringStops = {{'"', '\\', '\r', '\n'}, 4};
  static constexpr StopBytes kConstantStops = {{'\'', '\\', '\r', '\n'}, 4};
  static constexpr StopBytes kRawStringStops = {{')', '\r', '\n'}, 3};

  // Takes the run [first, last), which holds none of its state's stops, as
  // step() would one byte at a time. Returns `last`.
  template <class Output>
  const char* takeRun(Output& out, const char* first, const char* last, const char* chunkEnd);
  template <class Output>
  void codeRun(Output& out, std::string_view run, bool tokenMatters);
  void lineCommentRun(std::string_view run);

  // Shift-JIS: whether the last byte of `bytes` is a lead byte waiting for
  // its trail, when the byte before them was none.
  bool endsAfterLead(std::string_view bytes) const;

  const ByteKernels& kernels_;
};

template <class Output, class Lines>
bool FastCCommentStripper::feed(std::span<const char> chunk, Output& out, Lines& lines) {
  const char* p = chunk.data();
  const char* const end = p + chunk.size();
  while (p != end) {
    if (!afterCr_ && !backslash_) p = takeRun(out, p, end, end);
    if (p == end) break;
    const char byte = *p++;
    const bool newLine = byte == '\r' || (byte == '\n' && !afterCr_);
    step(byte, out);
    if (newLine && !lines.count()) return false;
  }
  return true;
}

template <class Output>
const char* FastCCommentStripper::takeRun(Output& out, const char* first, const char* last,
                                          const char* chunkEnd) {
  const auto run = [&](const StopBytes& stops) {
    last = kernels_.findStop(first, last, stops);
    return std::string_view(first, static_cast<std::size_t>(last - first));
  };
  switch (state_) {
    case State::Code:
      if (afterLead_) return first;
      {
        const std::string_view bytes = run(kCodeStops);
        const bool tokenMatters = last == chunkEnd || (*last != '/' && !isLineEnd(*last));
        codeRun(out, bytes, tokenMatters);
        if (shiftJis()) afterLead_ = endsAfterLead(bytes);
      }
      return last;
    case State::LineComment:
      if (afterLead_) return first;
      lineCommentRun(run(kLineCommentStops));
      return last;
    case State::BlockComment:
      if (afterStar_) return first;
      run(kBlockCommentStops);
      afterLead_ = false;  // no stop of a comment is ever a trail byte
      return last;
    case State::Quoted:
      if (afterLead_ || escaped_) return first;
      {
        const std::string_view bytes = run(quote_ == '"' ? kStringStops : kConstantStops);
        write(out, bytes);
        if (shiftJis()) afterLead_ = endsAfterLead(bytes);
      }
      return last;
    case State::RawString:
      if (rawMatch_ != 0) return first;
      write(out, run(kRawStringStops));
      afterLead_ = false;
      return last;
    default:
      return first;
  }
}

template <class Output>
void FastCCommentStripper::codeRun(Output& out, std::string_view run, bool tokenMatters) {
  if (run.empty()) return;
  const std::size_t firstCode = run.find_first_not_of(" \t");
  if (firstCode == std::string_view::npos) {
    holdBlanks(out, run);
    percent_ = false;
    token_ = Token::None;
    return;
  }
  const std::size_t lastCode = run.find_last_not_of(" \t");
  if (firstCode > 0) {
    holdBlanks(out, run.substr(0, firstCode));
    percent_ = false;
    token_ = Token::None;
  }
  const char first = run[firstCode];
  if (!lineHasToken_) {
    directive_ = first == '#';
    percent_ = first == '%';
    lineHasToken_ = true;
  } else {
    if (percent_ && first == ':') directive_ = true;
    percent_ = false;
  }
  if (percent_ && firstCode + 1 < run.size()) {
    if (run[firstCode + 1] == ':') directive_ = true;
    percent_ = false;
  }
  writeCode(out, run.substr(firstCode, lastCode + 1 - firstCode));
  if (lastCode + 1 < run.size()) {
    holdBlanks(out, run.substr(lastCode + 1));
    token_ = Token::None;
  } else if (tokenMatters) {
    // Only the last word can continue into what follows.
    std::size_t from = run.find_last_of(" \t", lastCode);
    if (from == std::string_view::npos || from < firstCode) {
      from = firstCode;
      if (firstCode > 0) token_ = Token::None;
    } else {
      ++from;
      token_ = Token::None;
    }
    bool lead = false;
    for (const char byte : run.substr(from)) {
      const auto c = static_cast<unsigned char>(byte);
      if (lead && isTrailByte(c)) {
        lead = false;
        continue;
      }
      advanceToken(c);
      lead = shiftJis() && isLeadByte(c);
    }
  } else {
    token_ = Token::None;
  }
}

inline void FastCCommentStripper::lineCommentRun(std::string_view run) {
  const std::size_t lastCode = run.find_last_not_of(" \t");
  if (lastCode == std::string_view::npos) {
    if (!run.empty() && backslash_) backslashBlanks_ = true;
    return;
  }
  backslash_ = run[lastCode] == '\\' &&
               !(shiftJis() && endsAfterLead(run.substr(0, lastCode)));
  backslashBlanks_ = backslash_ && lastCode + 1 < run.size();
  if (shiftJis()) afterLead_ = !backslash_ && endsAfterLead(run);
}

inline bool FastCCommentStripper::endsAfterLead(std::string_view bytes) const {
  std::size_t leads = 0;
  while (leads < bytes.size() && isLeadByte(static_cast<unsigned char>(bytes[bytes.size() - 1 - leads]))) {
    ++leads;
  }
  return leads % 2 == 1;
}

}  // namespace cstrip
