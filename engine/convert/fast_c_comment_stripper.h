#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "byte_kernels.h"
#include "c_comment_stripper.h"

namespace cstrip {

// The bytes that may change the C comment stripper's state, found for each
// 64-byte block of a window of the input at once; each state's runs stop
// at some of them, a set of bits for their places here.
inline constexpr StopBytes kCStripStops = {{'/', '"', '\'', '\\', '\r', '\n', '*', ')'}, 8};
// Their places, where a block's masks are read one by one.
enum CStripStop { kSlash, kQuote, kApostrophe, kBackslash, kCr, kLf, kStar, kParenthesis };
static_assert(kCStripStops.bytes[kSlash] == '/' && kCStripStops.bytes[kQuote] == '"' &&
              kCStripStops.bytes[kApostrophe] == '\'' && kCStripStops.bytes[kBackslash] == '\\' &&
              kCStripStops.bytes[kCr] == '\r' && kCStripStops.bytes[kLf] == '\n' &&
              kCStripStops.bytes[kStar] == '*' && kCStripStops.bytes[kParenthesis] == ')');
constexpr std::uint8_t cStripStopsOf(std::string_view bytes) {
  std::uint8_t classes = 0;
  for (const char byte : bytes) {
    for (int k = 0; k < kCStripStops.count; ++k) {
      if (kCStripStops.bytes[k] == byte) classes |= static_cast<std::uint8_t>(1 << k);
    }
  }
  return classes;
}

// CCommentStripper, fast. It classifies each window of the input for the
// bytes that can change the stepper's state, 64 bytes at a time with the
// byte kernels, and from those masks takes what it can in long strides
// (fast_c_comment_stripper_units.h): lines that hold no comment, a line of
// code ending in one, a unit of code up to a string, a comment or a line
// end, strings in a row, a comment's body. Where none fits, it takes the
// run up to the next of those bytes at once and steps that byte alone. Its
// output is the plain stepper's, byte for byte, for any input split
// anywhere.
class FastCCommentStripper : private CCommentStripper {
 public:
  explicit FastCCommentStripper(CStripRules rules,
                                const ByteKernels& kernels = fastestByteKernels())
      : CCommentStripper(rules), kernels_(kernels) {}

  // Takes every byte of `chunk`, writing to `out` (put(char),
  // write(std::span<const char>)) and counting each line end read (CR LF,
  // CR or LF) with `lines`: lines.count() after it, or for line ends that
  // lines.quietCounts() says would all return true, lines.countQuietly(n)
  // for n of them at once. Returns false as soon as lines.count() does,
  // leaving the rest of the chunk untaken.
  template <class Output, class Lines>
  bool feed(std::span<const char> chunk, Output& out, Lines& lines);

  using CCommentStripper::finish;
  using CCommentStripper::unterminatedCommentLine;

  // Reads the bytes fed from now on as Shift-JIS. The output is then the
  // one of a Shift-JIS reading from the start only where no byte fed so far
  // was a lead byte: until one is, the readings do not differ.
  void goOnAsShiftJis() { rules_.encoding = TextEncoding::ShiftJis; }

 private:
  // Where each state's runs stop, by their place in kRunStops.
  enum RunStops {
    kCodeStops,
    kLineCommentStops,
    kBlockCommentStops,
    kStringStops,
    kConstantStops,
    kRawStringStops,
    kCleanLineStops,     // what may open a comment or splice a line
    kCleanRawLineStops,  // and, with raw strings, open one over lines
    kRunStopsCount
  };
  static constexpr std::uint8_t kRunStops[kRunStopsCount] = {
      cStripStopsOf("/\"'\\\r\n"), cStripStopsOf("\r\n"),    cStripStopsOf("*\r\n"),
      cStripStopsOf("\"\\\r\n"),   cStripStopsOf("'\\\r\n"), cStripStopsOf(")\r\n"),
      cStripStopsOf("/\\"),        cStripStopsOf("/\\\"")};

  // Classifies the window [window_, windowEnd_): for each block, a mask of
  // each byte of kCStripStops.
  void classifyWindow();
  // Ends the window right after its last LF, if it has one, so that the
  // line its end would cut starts the next window whole: the fast paths
  // take only lines the window holds to their end.
  void endWindowAtLineEnd();
  // Bit j set where byte 64 * block + j of the window is one of `Stops`.
  template <RunStops Stops>
  std::uint64_t stopsIn(std::size_t block) const {
    const std::uint64_t* const masks = masks_ + kCStripStops.count * block;
    return [&]<std::size_t... Kinds>(std::index_sequence<Kinds...>) {
      return ((((kRunStops[Stops] >> Kinds) & 1) != 0 ? masks[Kinds] : 0) | ...);
    }
    (std::make_index_sequence<sizeof kCStripStops.bytes>{});
  }
  // The first byte of the window from `first` on that is one of `Stops`, or
  // the window's end.
  template <RunStops Stops>
  const char* findStop(const char* first) const;

  // Takes what it can from `first` as step() would one byte at a time,
  // counting the lines: in code the strides of takeUnits, then the run to
  // the next stop and the line end there if any; in a block comment its
  // body, or the runs and line ends to its next stop that is no line end;
  // in the other states the run to the state's next stop or the window's
  // end. Returns where it ended; sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeRun(Output& out, Lines& lines, const char* first, bool& stopped);
  // At a line's start in code with nothing held: takes the lines from
  // `first` before the first byte that could open a comment or splice a
  // line (or, with raw strings, open a string), which come out as they
  // are, as many as lines.quietCounts() lets be counted at once. Returns
  // where it ended.
  template <class Output, class Lines>
  const char* takeCleanLines(Output& out, Lines& lines, const char* first);
  // In a block comment, with its line ends dropped (no keepLines) and no
  // `*` just read: passes over the comment up to its `*/`, which it takes
  // too, or up to a `*` whose effect is for the stepper to settle (before
  // a backslash, or last in the window) or the window's end, counting the
  // line ends at once when lines.quietCounts() lets it. Returns where it
  // ended: `first` when it took nothing.
  template <class Lines>
  const char* skipCommentBody(Lines& lines, const char* first);
  // Bit j set where byte 64 * block + j of the window ends a line: an LF,
  // or a CR before another byte than LF. A CR last in the window is left
  // out, since an LF may follow it.
  std::uint64_t lineEndsOf(std::size_t block) const;
  // The number of bits set, without the call the compiler makes where the
  // baseline processor has no instruction for it.
  static std::uint64_t countBits(std::uint64_t bits) {
    bits -= (bits >> 1) & 0x5555555555555555;
    bits = (bits & 0x3333333333333333) + ((bits >> 2) & 0x3333333333333333);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return (bits * 0x0101010101010101) >> 56;
  }
  // The number of line ends in [first, last), by lineEndsOf.
  std::uint64_t lineEndsIn(const char* first, const char* last) const;
  // The length of a line end at `at` whose end is known: 2 for CR LF, 1 for
  // LF or a CR before another byte, 0 for none or a CR at the window's end.
  std::size_t lineEndAt(const char* at) const {
    if (at == windowEnd_ || !isLineEnd(*at)) return 0;
    if (*at == '\n') return 1;
    if (at + 1 == windowEnd_) return 0;
    return at[1] == '\n' ? 2 : 1;
  }
  // Takes the stop at `at` as step() would, where it is a common one whose
  // effect the bytes after it settle: `/*`, `//` or `/` as an operator and a
  // quote in code, `*/` in a block comment, a quote or an escape in a
  // string, a splice in code, counting its line. Returns where it ended:
  // `at` when it took nothing. Sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeStop(Output& out, Lines& lines, const char* at, bool& stopped);
  template <class Output>
  void codeRun(Output& out, std::string_view run, bool tokenMatters);

  // Code from a point where no token has begun, up to and with the first
  // of these that ends it.
  struct Unit {
    enum class End : std::uint8_t {
      Quote,        // a string or constant closed on its line
      OpenQuote,    // a string or constant left open, and the line end
      Comment,      // a block comment closed on its line
      OpenComment,  // `/*` whose end is not on the line
      LineComment,  // a line comment, and the line end
      LineEnd,
      Splice,  // a backslash after a blank or nothing, and the line end
    };
    End end;
    const char* mark;     // where the ending starts
    const char* markEnd;  // and where it ends, before a line end
    std::size_t lineEnd;  // the line end's length
  };
  // In code, with no token begun before `first`: finds the unit that
  // starts there, if it holds only what takeUnits takes (no backslash but
  // escapes in strings and a splice after a blank, no quote a token before
  // may change, its line end in the window). Else returns false and, in
  // `blocked`, where the stepper must take over.
  bool findUnit(const char* first, Unit& unit, const char*& blocked) const;
  // At a line's start in code with nothing held: takes a line of code and
  // strings that may end in a comment (a block comment closed on the line
  // with only blanks after it, or a line comment), as the stepper would:
  // a line with no comment comes out whole, the code before a comment
  // without the blanks after it, and a line of a comment alone goes whole
  // (unless keepLines). Returns where it ended: `first` when the line is
  // not such a line. Sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeCommentedLine(Output& out, Lines& lines, const char* first, bool& stopped);
  // Takes the units from `first` as the stepper would, as long as findUnit
  // finds them and the code after each starts as at `first`, and at a
  // line's start the lines takeCleanLines and takeCommentedLine take.
  // Returns where it ended: in code after a unit, or in the block comment
  // a unit opened. Sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeUnits(Output& out, Lines& lines, const char* first, bool& stopped);
  // Without raw strings, in code right after a string or constant closed
  // on its line (so that code has been written on the line, and nothing is
  // held or owed): takes the code and strings from `first` up to the last
  // quote that closes one before a byte that could do more than open or
  // close one (a comment's start, a backslash, an apostrophe, a line end),
  // finding the strings from the parity of the quotes, a block at a time.
  // What it takes comes out as it is and leaves the state as it found it.
  // Returns where it ended.
  template <class Output>
  const char* takeQuotedStretch(Output& out, const char* first);
  // Shift-JIS: whether the byte at `at` is a trail byte, where `from` (not
  // after `at`) starts a character.
  bool isTrailAt(const char* from, const char* at) const {
    return shiftJis() && endsAfterLead(std::string_view(from, static_cast<std::size_t>(at - from)));
  }
  void lineCommentRun(std::string_view run);

  // Shift-JIS: whether the last byte of `bytes` is a lead byte waiting for
  // its trail, when the byte before them was none.
  bool endsAfterLead(std::string_view bytes) const;

  const ByteKernels& kernels_;
  const char* unitsBlocked_ = nullptr;  // findUnit failed before here
  const char* window_ = nullptr;
  const char* windowEnd_ = nullptr;
  std::uint64_t masks_[kMaskWindow / 64 * kCStripStops.count];
};

template <class Output, class Lines>
bool FastCCommentStripper::feed(std::span<const char> chunk, Output& out, Lines& lines) {
  const char* p = chunk.data();
  const char* const end = p + chunk.size();
  takeInput(chunk);
  // The chunk's bytes held for writing go out before feed() returns; when a
  // write throws, the run is failing and they are dropped with the chunk.
  struct Forget {
    FastCCommentStripper& stripper;
    ~Forget() { stripper.forgetInput(); }
  } forget{*this};
  const auto stop = [&] {
    flushInput(out);
    return false;
  };
  while (p != end) {
    window_ = p;
    windowEnd_ = p + std::min<std::ptrdiff_t>(end - p, kMaskWindow);
    classifyWindow();
    if (windowEnd_ != end) endWindowAtLineEnd();
    while (p != windowEnd_) {
      if (!afterCr_ && !backslash_) {
        bool stopped = false;
        p = takeRun(out, lines, p, stopped);
        if (stopped) return stop();
        if (p == windowEnd_) break;
        if (const char* after = takeStop(out, lines, p, stopped); after != p) {
          if (stopped) return stop();
          p = after;
          continue;
        }
      }
      const char byte = *p++;
      const bool newLine = byte == '\r' || (byte == '\n' && !afterCr_);
      step(byte, out);
      if (newLine && !lines.count()) return stop();
    }
  }
  flushInput(out);
  return true;
}

inline void FastCCommentStripper::classifyWindow() {
  unitsBlocked_ = window_;
  kernels_.stopMasks(window_, windowEnd_, kCStripStops, masks_);
}

inline void FastCCommentStripper::endWindowAtLineEnd() {
  for (auto block = static_cast<std::size_t>(windowEnd_ - window_ + 63) / 64; block-- > 0;) {
    if (const std::uint64_t lfs = masks_[kCStripStops.count * block + kLf]; lfs != 0) {
      const int last = 63 - __builtin_clzll(lfs);
      windowEnd_ = window_ + 64 * block + last + 1;
      // The bytes after it are the next window's.
      for (int kind = 0; kind < kCStripStops.count; ++kind) {
        masks_[kCStripStops.count * block + kind] &= ~(~std::uint64_t{1} << last);
      }
      return;
    }
  }
}

template <FastCCommentStripper::RunStops Stops>
const char* FastCCommentStripper::findStop(const char* first) const {
  const auto offset = static_cast<std::size_t>(first - window_);
  std::uint64_t skip = ~std::uint64_t{0} << (offset % 64);
  for (std::size_t block = offset / 64; window_ + 64 * block < windowEnd_; ++block, skip = ~0ull) {
    if (const std::uint64_t found = stopsIn<Stops>(block) & skip; found != 0) {
      return window_ + 64 * block + __builtin_ctzll(found);
    }
  }
  return windowEnd_;
}

template <class Output, class Lines>
const char* FastCCommentStripper::takeRun(Output& out, Lines& lines, const char* first,
                                          bool& stopped) {
  const char* last = first;
  const auto run = [&] { return std::string_view(first, static_cast<std::size_t>(last - first)); };
  // Takes the line end at `last`, if any, and goes on after it.
  const auto lineEnded = [&](auto takeLineEnd) {
    const std::size_t length = lineEndAt(last);
    if (length == 0) return false;
    takeLineEnd(std::string_view(last, length));
    ++line_;
    afterLead_ = false;
    first = last + length;
    last = first;
    if (lines.count()) return first != windowEnd_;
    stopped = true;
    return false;
  };
  switch (state_) {
    case State::Code:
      if (afterLead_) return first;
      if (token_ == Token::None && !afterStrayBackslash_ && heldLineEnds_.empty()) {
        first = takeUnits(out, lines, first, stopped);
        if (stopped || first == windowEnd_ || state_ != State::Code) return first;
      }
      // Up to the next stop, and the line end if it is one; then back to
      // the strides.
      last = findStop<kCodeStops>(first);
      codeRun(out, run(), last == windowEnd_ || (*last != '/' && !isLineEnd(*last)));
      if (shiftJis()) afterLead_ = endsAfterLead(run());
      lineEnded([&](std::string_view end) { codeLineEnd(out, end); });
      return last;
    case State::LineComment:
      if (afterLead_) return first;
      last = findStop<kLineCommentStops>(first);
      lineCommentRun(run());
      if (!backslash_ && !afterLead_) {
        lineEnded([&](std::string_view end) { codeLineEnd(out, end); });
      }
      return last;
    case State::BlockComment:
      if (afterStar_) return first;
      if (!rules_.keepLines) {
        if (const char* const after = skipCommentBody(lines, first); after != first) return after;
      }
      do {
        // A `*` followed by what can neither close the comment nor start
        // another `*` is passed over with the text.
        for (last = findStop<kBlockCommentStops>(first);
             last + 1 < windowEnd_ && *last == '*' && last[1] != '/' && last[1] != '*' &&
             last[1] != '\\' && !isLineEnd(last[1]);
             last = findStop<kBlockCommentStops>(last + 2)) {
        }
        afterLead_ = false;  // no stop of a comment is ever a trail byte
      } while (lineEnded([&](std::string_view end) { commentLineEnd(out, end, directive_); }));
      return last;
    case State::Quoted:
      if (afterLead_ || escaped_) return first;
      last = quote_ == '"' ? findStop<kStringStops>(first) : findStop<kConstantStops>(first);
      write(out, run());
      if (shiftJis()) afterLead_ = endsAfterLead(run());
      return last;
    case State::RawString:
      if (rawMatch_ != 0) return first;
      last = findStop<kRawStringStops>(first);
      write(out, run());
      afterLead_ = false;
      return last;
    default:
      return first;
  }
}

template <class Output, class Lines>
const char* FastCCommentStripper::takeStop(Output& out, Lines& lines, const char* at,
                                           bool& stopped) {
  if (at + 1 == windowEnd_ || afterLead_) return at;
  const char next = at[1];
  switch (state_) {
    case State::Code:
      if (at[0] == '/') {
        if (next == '*' || next == '/') {
          if (afterStrayBackslash_) return at;  // see openCommentAtSlash
          percent_ = false;
          slashLine_ = line_;
          heldSlash_.clear();  // nothing held: no splice came between
          openComment(next == '*' ? State::BlockComment : State::LineComment);
          return at + 2;
        }
        if (next == '\\') return at;
        writeCode(out, std::string_view(at, 1));  // an operator
        if (!lineHasToken_) {
          lineHasToken_ = true;
          directive_ = false;
        }
        percent_ = false;
        token_ = Token::None;
        return at + 1;
      }
      if (at[0] == '"' || at[0] == '\'') {
        codeCharacter(out, std::string_view(at, 1));
        return at + 1;
      }
      if (const std::size_t end = at[0] == '\\' ? lineEndAt(at + 1) : 0) {  // a splice
        writeCode(out, std::string_view(at, 1));
        write(out, std::string_view(at + 1, end));
        afterSplice_ = true;
        lineWritten_ = commentSinceCode_ = spaceOwed_ = lastWasBlank_ = false;
        ++line_;
        stopped = !lines.count();
        return at + 1 + end;
      }
      return at;
    case State::BlockComment:
      if (afterStar_ || at[0] != '*' || next != '/') return at;
      closeComment();
      return at + 2;
    case State::Quoted:
      if (escaped_) return at;
      if (at[0] == quote_) {
        write(out, std::string_view(at, 1));
        state_ = State::Code;
        token_ = Token::None;
        return at + 1;
      }
      if (at[0] != '\\' || next == '\\' || isBlank(next) || isLineEnd(next)) return at;
      write(out, std::string_view(at, 2));  // an escape
      afterLead_ = shiftJis() && isLeadByte(static_cast<unsigned char>(next));
      return at + 2;
    default:
      return at;
  }
}

template <class Output>
void FastCCommentStripper::codeRun(Output& out, std::string_view run, bool tokenMatters) {
  if (run.empty()) return;
  std::size_t firstCode = 0;
  while (firstCode < run.size() && isWhiteSpace(run[firstCode])) ++firstCode;
  if (firstCode == run.size()) {
    holdBlanks(out, run);
    percent_ = false;
    token_ = Token::None;
    return;
  }
  std::size_t lastCode = run.size() - 1;
  while (isWhiteSpace(run[lastCode])) --lastCode;
  std::size_t writeFrom = firstCode;
  if (firstCode > 0) {
    // Blanks held with nothing before them would come out right before the
    // code: they go with it.
    if (heldBlanks_.empty() && !spaceOwed_ && heldLineEnds_.empty()) {
      writeFrom = 0;
    } else {
      holdBlanks(out, run.substr(0, firstCode));
    }
    percent_ = false;
    token_ = Token::None;
  }
  noteCodeByte(run[firstCode]);
  if (percent_ && firstCode + 1 < run.size()) noteCodeByte(run[firstCode + 1]);
  writeCode(out, run.substr(writeFrom, lastCode + 1 - writeFrom));
  if (lastCode + 1 < run.size()) {
    holdBlanks(out, run.substr(lastCode + 1));
    token_ = Token::None;
  } else if (tokenMatters) {
    // Only the last word can continue into what follows.
    std::size_t from = lastCode;
    while (from > firstCode && !isWhiteSpace(run[from - 1])) --from;
    if (from == firstCode) {
      from = firstCode;
      if (firstCode > 0) token_ = Token::None;
    } else {
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
  std::size_t end = run.size();
  while (end > 0 && isBlank(run[end - 1])) --end;
  if (end == 0) return;  // blanks alone change nothing
  const std::size_t lastCode = end - 1;
  backslash_ = run[lastCode] == '\\' && !(shiftJis() && endsAfterLead(run.substr(0, lastCode)));
  backslashBlanks_ = backslash_ && lastCode + 1 < run.size();
  if (shiftJis()) afterLead_ = !backslash_ && endsAfterLead(run);
}

inline bool FastCCommentStripper::endsAfterLead(std::string_view bytes) const {
  std::size_t leads = 0;
  while (leads < bytes.size() &&
         isLeadByte(static_cast<unsigned char>(bytes[bytes.size() - 1 - leads]))) {
    ++leads;
  }
  return leads % 2 == 1;
}

}  // namespace cstrip

#include "fast_c_comment_stripper_units.h"
