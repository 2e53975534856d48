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

  // Takes the run from `first` to its state's next stop or the window's
  // end, as step() would one byte at a time, and in code and block
  // comments the line ends and runs after it too, counting the lines.
  // Returns where it ended; sets `stopped` when lines.count() says so.
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
  // a splice or at the window's end) or the window's end, counting the
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
  // The line ends of [first, last), by lineEndsOf: their number, or no more
  // than `most`, and the end of the last one counted (`first` for none).
  std::pair<std::uint64_t, const char*> lineEndsIn(const char* first, const char* last,
                                                   std::uint64_t most) const;
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

  // A piece of code up to the first of these after it that it ends with.
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
  // escapes in strings, no quote a token before may change, the line end
  // in the window). Else returns false and where the stepper must take
  // over.
  bool findUnit(const char* first, Unit& unit, const char*& blocked) const;
  // At a line's start in code with nothing held: takes a line of code and
  // strings that may end in a comment (a block comment closed on the line
  // with only blanks after it, or a line comment), as the stepper would:
  // a line with no comment comes out whole, the code before a comment
  // without the blanks after it, and a line of a comment alone goes whole
  // (unless keepLines). Returns where it ended: `first` when the line is not such
  // a line. Sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeCommentedLine(Output& out, Lines& lines, const char* first, bool& stopped);
  // Takes the units from `first`, as the stepper would, as long as
  // findUnit finds them and the code after each starts as at `first`;
  // also the lines takeCleanLines takes at the start of a line. Returns
  // where it ended; sets `stopped` when lines.count() says so.
  template <class Output, class Lines>
  const char* takeUnits(Output& out, Lines& lines, const char* first, bool& stopped);
  // Without raw strings, in code right after a string or constant closed
  // on a line with code written and nothing held or owed: takes the code
  // and strings from `first` up to the last quote that closes one before a
  // byte that could do more than open or close one (a comment's start, a
  // backslash, an apostrophe, a line end), finding the strings from the
  // parity of the quotes, a block at a time. What it takes comes out as it
  // is and leaves the state as it found it. Returns where it ended.
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

inline std::uint64_t FastCCommentStripper::lineEndsOf(std::size_t block) const {
  const std::uint64_t* const masks = masks_ + kCStripStops.count * block;
  const char* const blockEnd = window_ + 64 * (block + 1);
  // An LF first in the next block follows the CR last in this one.
  const std::uint64_t nextLf = blockEnd < windowEnd_ ? masks[kCStripStops.count + kLf] & 1 : 0;
  std::uint64_t crs = masks[kCr] & ~((masks[kLf] >> 1) | (nextLf << 63));
  if (blockEnd >= windowEnd_) crs &= ~(std::uint64_t{1} << (windowEnd_ - 1 - (blockEnd - 64)));
  return masks[kLf] | crs;
}

inline std::pair<std::uint64_t, const char*> FastCCommentStripper::lineEndsIn(
    const char* first, const char* last, std::uint64_t most) const {
  const auto from = static_cast<std::size_t>(first - window_);
  const auto to = static_cast<std::size_t>(last - window_);
  std::uint64_t count = 0;
  const char* end = first;
  for (std::size_t block = from / 64; block * 64 < to && count < most; ++block) {
    std::uint64_t ends = lineEndsOf(block);
    if (block == from / 64) ends &= ~std::uint64_t{0} << (from % 64);
    if (to - block * 64 < 64) ends &= (std::uint64_t{1} << (to - block * 64)) - 1;
    if (ends == 0) continue;
    std::uint64_t found = countBits(ends);
    if (found > most - count) {  // keep the first of them
      found = most - count;
      std::uint64_t kept = 0;
      for (std::uint64_t i = 0; i < found; ++i, ends &= ends - 1) kept |= ends & -ends;
      ends = kept;
    }
    count += found;
    end = window_ + 64 * block + (63 - __builtin_clzll(ends)) + 1;
  }
  return {count, end};
}

template <class Output, class Lines>
const char* FastCCommentStripper::takeCleanLines(Output& out, Lines& lines, const char* first) {
  if (lastWasCr_ && *first == '\n') return first;  // see writeLineEnd
  const auto from = static_cast<std::size_t>(first - window_);
  const auto size = static_cast<std::size_t>(windowEnd_ - window_);
  const std::uint64_t most = lines.quietCounts();
  std::uint64_t count = 0;
  const char* end = first;
  for (std::size_t block = from / 64; 64 * block < size && count < most; ++block) {
    const std::uint64_t skip = block == from / 64 ? ~std::uint64_t{0} << (from % 64) : ~0ull;
    const std::uint64_t dirty = skip & (rules_.rawStrings ? stopsIn<kCleanRawLineStops>(block)
                                                          : stopsIn<kCleanLineStops>(block));
    std::uint64_t ends = lineEndsOf(block) & skip;
    if (dirty != 0) ends &= (dirty & -dirty) - 1;  // the line ends before it
    if (ends != 0) {
      std::uint64_t found = countBits(ends);
      if (found > most - count) {  // keep the first of them
        found = most - count;
        std::uint64_t kept = 0;
        for (std::uint64_t i = 0; i < found; ++i, ends &= ends - 1) kept |= ends & -ends;
        ends = kept;
      }
      count += found;
      end = window_ + 64 * block + (63 - __builtin_clzll(ends)) + 1;
    }
    if (dirty != 0) break;
  }
  if (count == 0) return first;
  write(out, std::string_view(first, static_cast<std::size_t>(end - first)));
  line_ += count;
  lines.countQuietly(count);
  crFate_ = Fate::Written;
  return end;
}

inline bool FastCCommentStripper::findUnit(const char* first, Unit& unit,
                                           const char*& blocked) const {
  const auto fail = [&](const char* at) {
    blocked = at;
    return false;
  };
  // Ends the unit with the line end at `at`, if the window shows it whole.
  const auto endLine = [&](typename Unit::End end, const char* mark, const char* at) {
    unit = {end, mark, at, lineEndAt(at)};
    return unit.lineEnd != 0 || fail(at);
  };
  for (const char* at = first;;) {
    const char* const stop = findStop<kCodeStops>(at);
    if (stop == windowEnd_) return fail(stop);
    switch (*stop) {
      case '/':
        if (stop + 1 == windowEnd_ || stop[1] == '\\') return fail(stop);
        if (stop[1] == '*') {
          // `/*/` does not close it: the search starts after the `*`.
          for (const char* star = findStop<kBlockCommentStops>(stop + 2);;
               star = findStop<kBlockCommentStops>(star + 1)) {
            if (star == windowEnd_ || *star != '*' || star + 1 == windowEnd_ || star[1] == '\\') {
              unit = {Unit::End::OpenComment, stop, stop + 2, 0};  // the body is passed over
              return true;
            }
            if (star[1] == '/') {
              unit = {Unit::End::Comment, stop, star + 2, 0};
              return true;
            }
          }
        }
        if (stop[1] == '/') {
          const char* const end = findStop<kLineCommentStops>(stop + 2);
          if (end == windowEnd_) return fail(stop);
          // A backslash last but blanks would splice the next line in.
          const char* last = end;
          while (last != stop + 2 && isBlank(last[-1])) --last;
          if (last[-1] == '\\' && !isTrailAt(stop + 2, last - 1)) return fail(stop);
          return endLine(Unit::End::LineComment, stop, end);
        }
        at = stop + 1;  // an operator
        continue;
      case '"':
      case '\'': {
        // After a number's digits, or a raw string's prefix, a quote may
        // mean something else; in Shift-JIS, the byte before may be the
        // trail of a character in a number or a prefix.
        if (stop != first) {
          const auto before = static_cast<unsigned char>(stop[-1]);
          const bool afterToken = isIdentifierByte(before) || (shiftJis() && isTrailByte(before));
          if (*stop == '\'' ? afterToken || before == '.' || before == '+' || before == '-'
                            : rules_.rawStrings && afterToken) {
            return fail(stop);
          }
        }
        const char quote = *stop;
        for (const char* in = stop + 1;;) {
          const char* const end =
              quote == '"' ? findStop<kStringStops>(in) : findStop<kConstantStops>(in);
          if (end == windowEnd_) return fail(stop);
          if (*end == quote) {
            unit = {Unit::End::Quote, stop, end + 1, 0};
            return true;
          }
          if (isLineEnd(*end)) return endLine(Unit::End::OpenQuote, stop, end);
          if (isTrailAt(stop + 1, end)) {
            in = end + 1;
            continue;
          }
          // An escape. A backslash before blanks or a line end may splice,
          // the escaped one too: `"\\` LF is a splice in a string.
          const auto splices = [&](const char* backslash) {
            return backslash + 1 == windowEnd_ || isBlank(backslash[1]) || isLineEnd(backslash[1]);
          };
          if (splices(end) || (end[1] == '\\' && splices(end + 1))) return fail(stop);
          in = end + 2;
        }
      }
      case '\\':
        if (isTrailAt(first, stop)) {
          at = stop + 1;
          continue;
        }
        // A splice after a blank, where no token goes on across it.
        if (stop != first && !isBlank(stop[-1])) return fail(stop);
        return endLine(Unit::End::Splice, stop, stop + 1);
      default:
        return endLine(Unit::End::LineEnd, stop, stop);
    }
  }
}

template <class Output>
const char* FastCCommentStripper::takeQuotedStretch(Output& out, const char* first) {
  const auto from = static_cast<std::size_t>(first - window_);
  const auto size = static_cast<std::size_t>(windowEnd_ - window_);
  const char* end = first;
  std::uint64_t inString = 0;  // all ones when the block before ended inside a string
  for (std::size_t block = from / 64; 64 * block < size; ++block) {
    const std::uint64_t* const masks = masks_ + kCStripStops.count * block;
    const std::uint64_t skip = block == from / 64 ? ~std::uint64_t{0} << (from % 64) : ~0ull;
    const std::uint64_t quotes = masks[kQuote] & skip;
    // Bit j set where an odd number of quotes stand at or before j.
    std::uint64_t inside = quotes;
    for (int shift = 1; shift < 64; shift *= 2) inside ^= inside << shift;
    inside ^= inString;
    // A slash before a `*` or `/` opens a comment. (A slash last in the
    // window has no quote after it, so the stretch ends before it anyway.)
    std::uint64_t next = (masks[kStar] | masks[kSlash]) >> 1;
    if (64 * (block + 1) < size) {
      next |= (masks[kCStripStops.count + kStar] | masks[kCStripStops.count + kSlash]) << 63;
    }
    const std::uint64_t stops =
        ((masks[kApostrophe] | masks[kBackslash] | masks[kCr] | masks[kLf]) & skip) |
        (masks[kSlash] & skip & ~inside & next);
    const std::uint64_t before = stops == 0 ? ~0ull : (stops & -stops) - 1;
    if (const std::uint64_t closing = quotes & ~inside & before; closing != 0) {
      end = window_ + 64 * block + (63 - __builtin_clzll(closing)) + 1;
    }
    if (stops != 0) break;
    inString = (inside >> 63) != 0 ? ~0ull : 0;
  }
  write(out, std::string_view(first, static_cast<std::size_t>(end - first)));
  return end;
}

template <class Output, class Lines>
const char* FastCCommentStripper::takeCommentedLine(Output& out, Lines& lines, const char* first,
                                                    bool& stopped) {
  Unit unit;
  const char* blocked = nullptr;
  const char* at = first;
  do {
    if (!findUnit(at, unit, blocked)) return first;
    at = unit.markEnd;
  } while (unit.end == Unit::End::Quote);
  if (unit.end == Unit::End::Comment) {
    const char* end = unit.markEnd;
    while (end != windowEnd_ && isWhiteSpace(*end)) ++end;
    unit.lineEnd = lineEndAt(end);
    if (unit.lineEnd == 0) return first;
    unit.markEnd = end;
  } else if (unit.end == Unit::End::LineEnd || unit.end == Unit::End::OpenQuote) {
    unit.mark = unit.markEnd;  // no comment: the line comes out whole
  } else if (unit.end != Unit::End::LineComment) {
    return first;
  }
  const char* codeEnd = unit.mark;
  if (unit.end != Unit::End::LineEnd && unit.end != Unit::End::OpenQuote) {
    while (codeEnd != first && isWhiteSpace(codeEnd[-1])) --codeEnd;
  }
  const std::string_view lineEnd(unit.markEnd, unit.lineEnd);
  if (codeEnd != first || unit.mark == unit.markEnd) {
    write(out, std::string_view(first, static_cast<std::size_t>(codeEnd - first)));
    writeLineEnd(out, lineEnd);
    crFate_ = Fate::Written;
  } else if (rules_.keepLines) {
    writeLineEnd(out, lineEnd);
    crFate_ = Fate::Written;
  } else {
    crFate_ = Fate::Dropped;
  }
  ++line_;
  stopped = !lines.count();
  return unit.markEnd + unit.lineEnd;
}

template <class Output, class Lines>
const char* FastCCommentStripper::takeUnits(Output& out, Lines& lines, const char* first,
                                            bool& stopped) {
  while (first != windowEnd_) {
    if (!lineHasToken_ && !lineWritten_ && !commentSinceCode_ && !afterSplice_ && !spaceOwed_ &&
        heldBlanks_.empty()) {
      first = takeCleanLines(out, lines, first);
      if (first == windowEnd_) break;
      if (const char* const after = takeCommentedLine(out, lines, first, stopped); after != first) {
        first = after;
        if (stopped) break;
        continue;
      }
    }
    Unit unit;
    if (first < unitsBlocked_ || !findUnit(first, unit, unitsBlocked_)) break;
    codeRun(out, std::string_view(first, static_cast<std::size_t>(unit.mark - first)), false);
    switch (unit.end) {
      case Unit::End::Quote:
      case Unit::End::OpenQuote:
        noteCodeByte(*unit.mark);
        writeCode(out,
                  std::string_view(unit.mark, static_cast<std::size_t>(unit.markEnd - unit.mark)));
        if (unit.end == Unit::End::Quote && !rules_.rawStrings && !percent_ &&
            heldBlanks_.empty() && !spaceOwed_) {
          unit.markEnd = takeQuotedStretch(out, unit.markEnd);
        }
        break;
      case Unit::End::Comment:
      case Unit::End::OpenComment:
      case Unit::End::LineComment:
        percent_ = false;
        slashLine_ = line_;
        openComment(unit.end == Unit::End::LineComment ? State::LineComment : State::BlockComment);
        if (unit.end == Unit::End::Comment) closeComment();
        if (unit.end == Unit::End::OpenComment && !rules_.keepLines && unit.markEnd != windowEnd_) {
          unit.markEnd = skipCommentBody(lines, unit.markEnd);
        }
        break;
      case Unit::End::LineEnd:
        break;
      case Unit::End::Splice:
        writeCode(out, std::string_view(unit.mark, 1));
        break;
    }
    first = unit.markEnd;
    if (unit.end == Unit::End::Splice) {
      write(out, std::string_view(first, unit.lineEnd));
      crFate_ = Fate::Written;
      afterSplice_ = true;
      lineWritten_ = commentSinceCode_ = spaceOwed_ = lastWasBlank_ = false;
      ++line_;
      first += unit.lineEnd;
      if (!lines.count()) {
        stopped = true;
        break;
      }
    } else if (unit.lineEnd != 0) {
      codeLineEnd(out, std::string_view(first, unit.lineEnd));
      ++line_;
      first += unit.lineEnd;
      if (!lines.count()) {
        stopped = true;
        break;
      }
    }
    if (state_ != State::Code) break;
  }
  return first;
}

template <class Lines>
const char* FastCCommentStripper::skipCommentBody(Lines& lines, const char* first) {
  // Lead and trail bytes need no care here: no byte that matters in a
  // comment is a trail byte, and a backslash matters only after a `*`.
  // The first `*` before a `/` or a backslash, or last in the window:
  const auto from = static_cast<std::size_t>(first - window_);
  const auto size = static_cast<std::size_t>(windowEnd_ - window_);
  const char* end = windowEnd_;
  for (std::size_t block = from / 64; 64 * block < size; ++block) {
    const std::uint64_t* const masks = masks_ + kCStripStops.count * block;
    std::uint64_t before = (masks[kSlash] | masks[kBackslash]) >> 1;
    if (64 * (block + 1) < size) {
      before |= (masks[kCStripStops.count + kSlash] | masks[kCStripStops.count + kBackslash]) << 63;
    } else {
      before |= std::uint64_t{1} << (size - 1 - 64 * block);
    }
    const std::uint64_t skip = block == from / 64 ? ~std::uint64_t{0} << (from % 64) : ~0ull;
    if (const std::uint64_t stars = masks[kStar] & before & skip; stars != 0) {
      end = window_ + 64 * block + __builtin_ctzll(stars);
      break;
    }
  }
  const bool closes = end + 1 < windowEnd_ && end[1] == '/';
  if (end == windowEnd_ && end[-1] == '\r') --end;  // see lineEndsOf
  const std::uint64_t count = lineEndsIn(first, end, UINT64_MAX).first;
  if (count > lines.quietCounts()) return first;
  line_ += count;
  lines.countQuietly(count);
  if (count > 0) crFate_ = Fate::Dropped;
  afterLead_ = false;
  if (!closes) return end;
  closeComment();
  return end + 2;
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
        last = first;
      }
      do {
        if (!lineHasToken_ && !lineWritten_ && !commentSinceCode_ && !afterSplice_ && !spaceOwed_ &&
            heldBlanks_.empty()) {
          // At a line's start in code, a line with no stop before its end
          // holds no comment and so comes out as it is; where a block's
          // stops are all line ends, its lines are taken at once.
          for (;;) {
            first = takeCleanLines(out, lines, first);
            last = findStop<kCodeStops>(first);
            const std::size_t end = lineEndAt(last);
            if (end == 0 || (lastWasCr_ && *first == '\n')) break;  // see writeLineEnd
            write(out, std::string_view(first, static_cast<std::size_t>(last - first) + end));
            ++line_;
            first = last + end;
            if (!lines.count()) {
              stopped = true;
              return first;
            }
            if (first == windowEnd_) return first;
          }
        } else {
          last = findStop<kCodeStops>(first);
        }
        codeRun(out, run(), last == windowEnd_ || (*last != '/' && !isLineEnd(*last)));
        if (shiftJis()) afterLead_ = endsAfterLead(run());
      } while (lineEnded([&](std::string_view end) { codeLineEnd(out, end); }));
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
