#pragma once

// FastCCommentStripper's longer strides, each the stepper's work over many
// bytes at once, from the window's masks: the lines that cannot hold a
// comment, a line of code ending in one, a unit of code up to a string, a
// comment or a line end, the strings that follow one another on a line,
// and a comment's body. Included by fast_c_comment_stripper.h.

#include <cstdint>
#include <string_view>
#include <utility>

#include "fast_c_comment_stripper.h"

namespace cstrip {

inline std::uint64_t FastCCommentStripper::lineEndsOf(std::size_t block) const {
  const std::uint64_t* const masks = masks_ + kCStripStops.count * block;
  const char* const blockEnd = window_ + 64 * (block + 1);
  // An LF first in the next block follows the CR last in this one.
  const std::uint64_t nextLf = blockEnd < windowEnd_ ? masks[kCStripStops.count + kLf] & 1 : 0;
  std::uint64_t crs = masks[kCr] & ~((masks[kLf] >> 1) | (nextLf << 63));
  if (blockEnd >= windowEnd_) crs &= ~(std::uint64_t{1} << (windowEnd_ - 1 - (blockEnd - 64)));
  return masks[kLf] | crs;
}

inline std::uint64_t FastCCommentStripper::lineEndsIn(const char* first, const char* last) const {
  const auto from = static_cast<std::size_t>(first - window_);
  const auto to = static_cast<std::size_t>(last - window_);
  std::uint64_t count = 0;
  for (std::size_t block = from / 64; block * 64 < to; ++block) {
    std::uint64_t ends = lineEndsOf(block);
    if (block == from / 64) ends &= ~std::uint64_t{0} << (from % 64);
    if (to - block * 64 < 64) ends &= (std::uint64_t{1} << (to - block * 64)) - 1;
    count += countBits(ends);
  }
  return count;
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
    // At a line's start with nothing held, whole lines first.
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
        if (unit.end == Unit::End::Quote && !rules_.rawStrings) {
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
    if (unit.lineEnd != 0) {
      const std::string_view lineEnd(first, unit.lineEnd);
      if (unit.end == Unit::End::Splice) {  // the logical line goes on
        write(out, lineEnd);
        crFate_ = Fate::Written;
        afterSplice_ = true;
        lineWritten_ = commentSinceCode_ = spaceOwed_ = lastWasBlank_ = false;
      } else {
        codeLineEnd(out, lineEnd);
      }
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
  const std::uint64_t count = lineEndsIn(first, end);
  if (count > lines.quietCounts()) return first;
  line_ += count;
  lines.countQuietly(count);
  if (count > 0) crFate_ = Fate::Dropped;
  afterLead_ = false;
  if (!closes) return end;
  closeComment();
  return end + 2;
}

}  // namespace cstrip
