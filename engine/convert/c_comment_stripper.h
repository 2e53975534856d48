#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "line_count.h"
#include "shift_jis.h"
#include "text_encoding.h"

namespace cstrip {

// How the C comment stripper reads and writes a file.
struct CStripRules {
  // UTF-8, or Shift-JIS (CP932), where a trail byte 0x5C is never a
  // backslash.
  TextEncoding encoding = TextEncoding::Utf8;
  // C++ raw strings, R"delim(...)delim", are strings.
  bool rawStrings = false;
  // Every token stays on its input line: comment-only lines become empty,
  // and the line ends inside a block comment stay (inside a directive as a
  // backslash and the line end, so that it still ends where it did).
  bool keepLines = false;
};

// Blanks that may yet be dropped, a `/` with the line splices after it
// that may yet open a comment, and the line ends of a block comment kept
// on their lines are held back; these bound them. A longer run of blanks is
// written as it comes, a `/` with more splices after it than fit is taken
// as an operator, and more line ends are written as splices.
inline constexpr std::size_t kHeldBlanksLimit = 4096;
inline constexpr std::size_t kHeldSlashLimit = 4096;
inline constexpr std::size_t kHeldLineEndsLimit = 4096;

// Strips C comments as a C compiler reads them (translation phases 1 to 3),
// one byte at a time: the plain reference of the fast version.
//
// It starts before the first byte and stops at finish(). Line ends are CR
// LF, CR or LF, each written as it stands. A backslash, blanks (spaces or
// tabs) and a line end form a splice: it continues a `//` comment, may
// stand between `/` and `*`, and outside comments is written as it is. In
// raw strings splices are plain text. Strings and character constants have
// escapes, end at the line's end when unclosed, and nothing in them opens a
// comment; a `'` after a number's digits, before a letter or digit, is a
// digit separator.
//
// A removed comment leaves nothing where a blank or a line end stands on
// either side of it, and one space otherwise. Blanks it leaves at a line's
// end go, a line that held only comments and blanks goes with its line end
// (but the line after a splice keeps its end), and a block comment over
// several lines becomes one space or nothing, unless CStripRules::keepLines.
//
// Awkward inputs:
//  - `/*/` does not close the comment it opens.
//  - `/\` LF `*` opens a comment; `*\` LF `/` closes one.
//  - `// x \` LF `y` is one comment; `/*` inside it is text.
//  - `"\\` LF `n"` is a string holding `\n`: the splice goes first.
//  - `'"'`, `"\""` and `1'000` hold no string for a comment to hide in.
//  - In Shift-JIS, `// 表` (0x95 0x5C) ends at its line end.
//  - `\ // x`: with the comment gone, the backslash and blanks would splice
//    the next line in, so an empty `/**/` keeps the comment's place.
//  - `a` CR `// x` LF LF: a line end written right after a lone CR gets a
//    blank before it, else the two would read as one CR LF.
class CCommentStripper {
 public:
  explicit CCommentStripper(CStripRules rules) : rules_(rules) {}

  // Takes the next byte of the input, writing to `out` (put(char),
  // write(std::span<const char>)) what is decided.
  template <class Sink>
  void step(char byte, Sink& out);

  // After the last byte: writes what is held. A block comment still open
  // runs to the end of the input; unterminatedCommentLine() then says where
  // it opened.
  template <class Sink>
  void finish(Sink& out);

  // The line (from 1) where an unterminated block comment opened, or 0.
  LineCount unterminatedCommentLine() const { return unterminatedLine_; }

 protected:
  enum class State : std::uint8_t {
    Code,
    Slash,  // after a `/` in code, held back
    LineComment,
    BlockComment,
    Quoted,        // a string or character constant
    NumberQuote,   // after a `'` in a number: a separator, or a constant
    RawDelimiter,  // after R" and before (
    RawString,
  };
  enum class Token : std::uint8_t { None, Identifier, Number, Dot };

  // What follows is what the fast version needs to see and set too.

  // Blanks may stand between a splice's backslash and its line end; white
  // space also counts form feeds and vertical tabs, as C does in code.
  static constexpr bool isBlank(unsigned char c) { return c == ' ' || c == '\t'; }
  static constexpr bool isWhiteSpace(unsigned char c) {
    return isBlank(c) || c == '\f' || c == '\v';
  }
  static constexpr bool isLineEnd(unsigned char c) { return c == '\r' || c == '\n'; }
  static constexpr bool isIdentifierByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c >= 0x80;
  }
  static constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

  bool shiftJis() const { return rules_.encoding == TextEncoding::ShiftJis; }

  // Writes, remembering whether the last byte written was white space.
  // Bytes that lie in the input taken (see takeInput) are held and written
  // together with those right after them, at the next other write or at
  // flushInput().
  template <class Sink>
  void write(Sink& out, std::string_view bytes) {
    if (bytes.empty()) return;
    if (!heldLineEnds_.empty()) writeHeldLineEnds(out, false);
    const auto at = reinterpret_cast<std::uintptr_t>(bytes.data());
    if (at >= inputBegin_ && at < inputEnd_) {
      if (bytes.data() != heldInputEnd_) {
        flushInput(out);
        heldInput_ = bytes.data();
      }
      heldInputEnd_ = bytes.data() + bytes.size();
    } else {
      flushInput(out);
      out.write(std::span<const char>(bytes.data(), bytes.size()));
    }
    const auto last = static_cast<unsigned char>(bytes.back());
    lastWasBlank_ = isWhiteSpace(last) || isLineEnd(last);
    lastWasCr_ = last == '\r';
  }
  // Writes a line end, with a blank before it where it would otherwise
  // join a CR written just before into one CR LF.
  template <class Sink>
  void writeLineEnd(Sink& out, std::string_view lineEnd) {
    if (!heldLineEnds_.empty()) writeHeldLineEnds(out, false);
    if (lastWasCr_ && lineEnd[0] == '\n') put(out, ' ');
    write(out, lineEnd);
  }
  // Where the input being taken lies, so that write() may hold its bytes.
  void takeInput(std::span<const char> input) {
    inputBegin_ = reinterpret_cast<std::uintptr_t>(input.data());
    inputEnd_ = inputBegin_ + input.size();
  }
  // Writes the input's bytes write() held; to be called before the input
  // goes away. They are let go first, so that a write that throws is not
  // tried again.
  template <class Sink>
  void flushInput(Sink& out) {
    const char* const first = std::exchange(heldInput_, nullptr);
    const char* const last = std::exchange(heldInputEnd_, nullptr);
    if (first != last)
      out.write(std::span<const char>(first, static_cast<std::size_t>(last - first)));
  }
  // Lets the input go without writing what write() held of it, as when a
  // write failed.
  void forgetInput() {
    heldInput_ = heldInputEnd_ = nullptr;
    takeInput({});
  }
  template <class Sink>
  void put(Sink& out, char byte) {
    write(out, std::string_view(&byte, 1));
  }

  // White space in code, held until something shows whether it stays.
  template <class Sink>
  void holdBlanks(Sink& out, std::string_view blanks) {
    spaceOwed_ = false;
    while (!blanks.empty()) {
      if (heldBlanks_.size() == kHeldBlanksLimit) {
        // What comes after them is unknown: held line ends become splices.
        if (!heldLineEnds_.empty()) writeHeldLineEnds(out, true);
        writeHeldBlanks(out);
      }
      const std::size_t take = std::min(blanks.size(), kHeldBlanksLimit - heldBlanks_.size());
      heldBlanks_.append(blanks.substr(0, take));
      blanks.remove_prefix(take);
    }
  }
  template <class Sink>
  void writeHeldBlanks(Sink& out) {
    write(out, heldBlanks_);
    heldBlanks_.clear();
  }

  // Writes code other than blanks: first the held blanks, or the space a
  // removed comment is owed.
  template <class Sink>
  void writeCode(Sink& out, std::string_view bytes) {
    if (!heldLineEnds_.empty()) {
      writeHeldLineEnds(out, bytes[0] == '#' || bytes[0] == '%' || bytes[0] == '\\');
    }
    writeHeldBlanks(out);
    if (spaceOwed_) put(out, ' ');
    spaceOwed_ = false;
    write(out, bytes);
    lineWritten_ = true;
    commentSinceCode_ = false;
    afterStrayBackslash_ = false;
  }

  // The token state after `c`, one logical character of code (not a blank).
  void advanceToken(unsigned char c) {
    const bool exponent = afterExponent_;
    afterExponent_ = false;
    if (isIdentifierByte(c)) {
      if (token_ == Token::Number) {
        afterExponent_ = c == 'e' || c == 'E' || c == 'p' || c == 'P';
      } else if (token_ == Token::Identifier) {
        if (identifier_.size() < 4) identifier_.push_back(static_cast<char>(c));
      } else if (isDigit(c)) {
        token_ = Token::Number;
      } else {
        token_ = Token::Identifier;
        identifier_.assign(1, static_cast<char>(c));
      }
    } else if (c == '.') {
      if (token_ != Token::Number) token_ = Token::Dot;
    } else if (!((c == '+' || c == '-') && token_ == Token::Number && exponent)) {
      token_ = Token::None;
    }
  }
  bool afterRawPrefix() const {
    return rules_.rawStrings && token_ == Token::Identifier &&
           (identifier_ == "R" || identifier_ == "LR" || identifier_ == "uR" ||
            identifier_ == "UR" || identifier_ == "u8R");
  }

  // Notes a byte of code that is not white space for the logical line: a
  // directive's first token is `#` or `%:`.
  void noteCodeByte(char byte) {
    if (!lineHasToken_) {
      directive_ = byte == '#';
      percent_ = byte == '%';
      lineHasToken_ = true;
    } else {
      if (percent_ && byte == ':') directive_ = true;
      percent_ = false;
    }
  }

  // A logical character of code that is not a blank, `/` or a line end:
  // the one byte of `one`.
  template <class Sink>
  void codeCharacter(Sink& out, std::string_view one) {
    const char byte = one[0];
    const auto c = static_cast<unsigned char>(byte);
    noteCodeByte(byte);
    writeCode(out, one);
    if (c == '"') {
      if (afterRawPrefix()) {
        state_ = State::RawDelimiter;
        delimiter_.clear();
      } else {
        openQuote('"');
      }
      token_ = Token::None;
    } else if (c == '\'') {
      if (token_ == Token::Number) {
        state_ = State::NumberQuote;
      } else {
        openQuote('\'');
      }
      token_ = Token::None;
    } else {
      advanceToken(c);
    }
  }
  void openQuote(char quote) {
    state_ = State::Quoted;
    quote_ = quote;
    escaped_ = false;
  }

  // The end of a logical line in code: trailing blanks left by a comment
  // go, and a line of only comments goes with its end.
  template <class Sink>
  void codeLineEnd(Sink& out, std::string_view lineEnd) {
    const bool dropLine = commentSinceCode_ && !lineWritten_ && !afterSplice_ && !rules_.keepLines;
    if (commentSinceCode_) {
      heldBlanks_.clear();
    } else {
      writeHeldBlanks(out);
    }
    if (dropLine) {
      crFate_ = Fate::Dropped;
    } else {
      writeLineEnd(out, lineEnd);
      crFate_ = Fate::Written;
    }
    state_ = State::Code;
    afterStrayBackslash_ = false;
    lineWritten_ = commentSinceCode_ = afterSplice_ = spaceOwed_ = false;
    lineHasToken_ = directive_ = percent_ = false;
    token_ = Token::None;
  }

  // A line end inside a block comment, or a comment's splice. Kept only
  // with keepLines: in a directive as a splice; after a token of the line,
  // held until what follows the comment shows whether a splice is needed
  // (so that a `#` after it does not start a directive).
  template <class Sink>
  void commentLineEnd(Sink& out, std::string_view lineEnd, bool inDirective) {
    if (!rules_.keepLines) {
      crFate_ = Fate::Dropped;
      return;
    }
    if (!inDirective && lineHasToken_ && heldLineEnds_.size() < kHeldLineEndsLimit) {
      if (heldLineEnds_.empty()) spaceBeforeSplice_ = !lastWasBlank_;  // held blanks go
      heldBlanks_.clear();
      heldLineEnds_ += lineEnd.size() == 2 ? 'b' : lineEnd[0] == '\r' ? 'r' : 'n';
      crFate_ = Fate::HeldLineEnd;
      lastWasBlank_ = true;
      lineWritten_ = false;
      return;
    }
    if (!heldLineEnds_.empty()) writeHeldLineEnds(out, true);
    if (inDirective || lineHasToken_) {
      if (!heldBlanks_.empty()) {
        writeHeldBlanks(out);
      } else if (!lastWasBlank_) {
        put(out, ' ');
      }
      put(out, '\\');
    }
    heldBlanks_.clear();
    writeLineEnd(out, lineEnd);
    lastWasBlank_ = true;
    crFate_ = Fate::Written;
    lineWritten_ = false;
  }

  // Writes the line ends commentLineEnd held: as they are, or each as a
  // splice, with a space before the first where no white space stands.
  template <class Sink>
  void writeHeldLineEnds(Sink& out, bool asSplices) {
    std::string held;
    held.swap(heldLineEnds_);
    flushInput(out);
    std::string text = asSplices && spaceBeforeSplice_ ? " " : "";
    for (const char kind : held) {
      if (asSplices) text += '\\';
      if (kind == 'n' && !asSplices && (text.empty() ? lastWasCr_ : text.back() == '\r'))
        text += ' ';
      text += kind == 'b' ? "\r\n" : kind == 'r' ? "\r" : "\n";
    }
    write(out, text);
    lastWasBlank_ = true;
  }

  // The held `/` turns out to be an operator: it and the splices after it
  // are written, and a backslash still held after them is written as code.
  template <class Sink>
  void releaseSlash(Sink& out) {
    const std::string held = std::move(heldSlash_);
    heldSlash_.clear();
    writeCode(out, std::string_view(held).substr(0, heldSplicesEnd_));
    if (heldSplicesEnd_ > 1) {  // it ends in a splice, which is no white space
      afterSplice_ = true;
      lastWasBlank_ = false;
    }
    if (!lineHasToken_) {
      lineHasToken_ = true;
      directive_ = false;
    }
    percent_ = false;
    token_ = Token::None;
    state_ = State::Code;
    if (backslash_) {
      writeCode(out, "\\");
      holdBlanks(out, std::string_view(held).substr(heldSplicesEnd_ + 1));
    }
  }

  template <class Sink>
  void holdInSlash(Sink& out, char byte) {
    heldSlash_.push_back(byte);
    if (heldSlash_.size() > kHeldSlashLimit) releaseSlash(out);
  }

  // A backslash that was not a splice, with the blank after it if
  // backslashBlanks_, takes effect.
  template <class Sink>
  void resolveBackslash(Sink& out) {
    if (state_ == State::Slash) releaseSlash(out);
    backslash_ = false;
    switch (state_) {
      case State::Code:
        if (!lineHasToken_) lineHasToken_ = true, directive_ = false;
        percent_ = false;
        token_ = Token::None;
        afterStrayBackslash_ = true;
        break;
      case State::Quoted:
        escaped_ = !escaped_ && !backslashBlanks_;
        break;
      case State::NumberQuote:
        openQuote('\'');
        escaped_ = !backslashBlanks_;
        break;
      case State::BlockComment:
        afterStar_ = false;
        break;
      default:
        break;
    }
    backslashBlanks_ = false;
  }

  template <class Sink>
  void lineEnd(Sink& out, char byte) {
    const std::string_view end(&byte, 1);
    if (backslash_) {  // a splice
      backslash_ = backslashBlanks_ = false;
      switch (state_) {
        case State::Code:
          writeHeldBlanks(out);
          write(out, end);
          crFate_ = Fate::Written;
          afterSplice_ = true;
          lineWritten_ = commentSinceCode_ = spaceOwed_ = false;
          lastWasBlank_ = false;
          return;
        case State::Slash:
          heldSlash_.push_back(byte);
          heldSplicesEnd_ = heldSlash_.size();
          crFate_ = Fate::Held;
          if (heldSlash_.size() > kHeldSlashLimit) releaseSlash(out);
          return;
        case State::LineComment:
          commentLineEnd(out, end, false);
          return;
        case State::BlockComment:
          commentLineEnd(out, end, directive_);
          return;
        default:  // strings
          write(out, end);
          crFate_ = Fate::Written;
          return;
      }
    }
    switch (state_) {
      case State::Slash:
        releaseSlash(out);
        return codeLineEnd(out, end);
      case State::BlockComment:
        afterStar_ = false;  // `*` LF `/` closes nothing
        return commentLineEnd(out, end, directive_);
      case State::RawString:
        write(out, end);
        crFate_ = Fate::Written;
        rawMatch_ = 0;
        return;
      default:  // code, a line comment, an unclosed string or constant
        return codeLineEnd(out, end);
    }
  }

  // A logical character that is neither a blank nor a line end.
  template <class Sink>
  void character(Sink& out, char byte) {
    const auto c = static_cast<unsigned char>(byte);
    switch (state_) {
      case State::Code:
        if (byte == '/') {
          percent_ = false;
          state_ = State::Slash;
          heldSlash_.assign(1, '/');
          heldSplicesEnd_ = 1;
          slashLine_ = line_;
        } else {
          codeCharacter(out, std::string_view(&byte, 1));
        }
        return;
      case State::Slash:
        if (byte == '*' || byte == '/') {
          openCommentAtSlash(out, byte == '*' ? State::BlockComment : State::LineComment);
        } else {
          releaseSlash(out);
          character(out, byte);
        }
        return;
      case State::LineComment:
        return;
      case State::BlockComment:
        if (afterStar_ && byte == '/') closeComment();
        afterStar_ = byte == '*';
        return;
      case State::NumberQuote:
        if (isIdentifierByte(c)) {
          state_ = State::Code;
          token_ = Token::Number;
          write(out, std::string_view(&byte, 1));
          afterExponent_ = c == 'e' || c == 'E' || c == 'p' || c == 'P';
          return;
        }
        openQuote('\'');
        break;
      case State::RawDelimiter:
        if (byte == '(') {
          state_ = State::RawString;
          rawMatch_ = 0;
        } else if (delimiter_.size() < 16 && byte != ')' && c > ' ' && c < 0x7F) {
          delimiter_.push_back(byte);
        } else {
          openQuote('"');  // not a raw string after all
          break;
        }
        write(out, std::string_view(&byte, 1));
        return;
      case State::RawString:
        rawCharacter(byte);
        write(out, std::string_view(&byte, 1));
        return;
      case State::Quoted:
        break;
    }
    // Quoted.
    write(out, std::string_view(&byte, 1));
    if (escaped_) {
      escaped_ = false;
    } else if (byte == quote_) {
      state_ = State::Code;
      token_ = Token::None;
    }
  }

  void closeComment() {
    state_ = State::Code;
    spaceOwed_ = heldBlanks_.empty() && !lastWasBlank_;
    token_ = Token::None;
  }

  void rawCharacter(char byte) {
    if (rawMatch_ > 0 && rawMatch_ <= delimiter_.size() && byte == delimiter_[rawMatch_ - 1]) {
      ++rawMatch_;
    } else if (rawMatch_ == delimiter_.size() + 1 && byte == '"') {
      state_ = State::Code;
      token_ = Token::None;
    } else {
      rawMatch_ = byte == ')' ? 1 : 0;
    }
  }

  // Opens a comment at the held `/`: in keepLines, the line ends of the
  // splices after it are kept.
  template <class Sink>
  void openCommentAtSlash(Sink& out, State comment) {
    // After a backslash and blanks, the comment's place keeps an empty
    // comment: nothing else there stops them from splicing the next line.
    if (afterStrayBackslash_) writeCode(out, "/**/");
    if (rules_.keepLines) {
      crFate_ = crFate_ == Fate::Held ? Fate::Dropped : crFate_;
      const std::string held = std::move(heldSlash_);
      for (std::size_t i = 0; i < held.size(); ++i) {
        if (held[i] == '\r' || (held[i] == '\n' && (i == 0 || held[i - 1] != '\r'))) {
          const bool crLf = held[i] == '\r' && i + 1 < held.size() && held[i + 1] == '\n';
          commentLineEnd(out, crLf ? "\r\n" : std::string_view(&held[i], 1), directive_);
        }
      }
    }
    heldSlash_.clear();
    if (crFate_ == Fate::Held) crFate_ = Fate::Dropped;
    openComment(comment);
  }
  void openComment(State comment) {
    state_ = comment;
    afterStar_ = false;
    commentSinceCode_ = true;
    percent_ = false;
    token_ = Token::None;
    commentLine_ = slashLine_;
  }

  // Where the LF after a CR goes: as the CR went.
  enum class Fate : std::uint8_t { Written, Held, HeldLineEnd, Dropped };

  CStripRules rules_;
  State state_ = State::Code;
  LineCount line_ = 1;
  LineCount slashLine_ = 1;
  LineCount commentLine_ = 1;
  LineCount unterminatedLine_ = 0;

  // Bytes.
  bool afterLead_ = false;  // Shift-JIS: the last byte was a lead byte
  bool afterCr_ = false;
  Fate crFate_ = Fate::Written;
  bool backslash_ = false;  // a backslash, and since then only blanks
  bool backslashBlanks_ = false;

  // Tokens.
  Token token_ = Token::None;
  std::string identifier_;  // its first four bytes
  bool afterExponent_ = false;
  char quote_ = '"';
  bool escaped_ = false;
  bool afterStar_ = false;
  std::string delimiter_;
  std::size_t rawMatch_ = 0;  // how much of `)delimiter"` was just read

  // Lines.
  bool lineHasToken_ = false;  // the logical line has a token
  bool directive_ = false;     // the logical line is a directive
  bool percent_ = false;       // its first token is `%`, maybe `%:`

  // Output.
  std::uintptr_t inputBegin_ = 0;
  std::uintptr_t inputEnd_ = 0;
  const char* heldInput_ = nullptr;
  const char* heldInputEnd_ = nullptr;
  std::string heldBlanks_;
  std::string heldSlash_;
  std::size_t heldSplicesEnd_ = 1;    // heldSlash_ up to a backslash after the splices
  bool spaceOwed_ = false;            // a removed comment asks for a space
  bool lastWasBlank_ = true;          // the last byte written was white space
  bool lineWritten_ = false;          // the output line has more than blanks
  bool commentSinceCode_ = false;     // a comment went since then
  bool afterSplice_ = false;          // the output line follows a splice
  bool lastWasCr_ = false;            // the last byte written was a CR
  bool afterStrayBackslash_ = false;  // code's last was a backslash, not a splice
  std::string heldLineEnds_;          // 'r', 'n' or 'b' (CR LF) for each, see commentLineEnd
  bool spaceBeforeSplice_ = false;
};

template <class Sink>
void CCommentStripper::step(char byte, Sink& out) {
  const auto c = static_cast<unsigned char>(byte);
  if (afterCr_) {
    afterCr_ = false;
    if (byte == '\n') {
      if (crFate_ == Fate::Written) {
        const bool blank = lastWasBlank_;  // a splice's CR LF is no white space
        put(out, byte);
        lastWasBlank_ = blank;
      } else if (crFate_ == Fate::HeldLineEnd) {
        heldLineEnds_.back() = 'b';
      } else if (crFate_ == Fate::Held) {
        heldSlash_.push_back(byte);
        heldSplicesEnd_ = heldSlash_.size();
      }
      return;
    }
  }
  if (afterLead_) {
    afterLead_ = false;
    if (isTrailByte(c)) {  // the second half of the character just taken
      if (state_ != State::LineComment && state_ != State::BlockComment) {
        write(out, std::string_view(&byte, 1));
      }
      return;
    }
  }
  if (isLineEnd(c)) {
    lineEnd(out, byte);
    ++line_;
    afterCr_ = byte == '\r';
    return;
  }
  if (byte == '\\' && state_ != State::RawString) {
    if (backslash_) resolveBackslash(out);
    if (state_ == State::RawDelimiter) openQuote('"');
    switch (state_) {
      case State::Code:
        writeCode(out, "\\");
        break;
      case State::Slash:
        heldSlash_.push_back(byte);
        break;
      case State::Quoted:
      case State::NumberQuote:
        write(out, "\\");
        break;
      default:
        break;
    }
    backslash_ = true;
    if (state_ == State::Slash && heldSlash_.size() > kHeldSlashLimit) releaseSlash(out);
    return;
  }
  if (isWhiteSpace(c)) {
    if (backslash_ && !isBlank(c)) resolveBackslash(out);
    if (state_ == State::Slash && !backslash_) releaseSlash(out);
    if (state_ == State::RawDelimiter) openQuote('"');
    switch (state_) {
      case State::Code:
        holdBlanks(out, std::string_view(&byte, 1));
        if (!backslash_) percent_ = false, token_ = Token::None;
        break;
      case State::Slash:
        holdInSlash(out, byte);
        break;
      case State::Quoted:
        write(out, std::string_view(&byte, 1));
        if (!backslash_) escaped_ = false;
        break;
      case State::NumberQuote:
        write(out, std::string_view(&byte, 1));
        if (!backslash_) openQuote('\'');
        break;
      case State::RawString:
        write(out, std::string_view(&byte, 1));
        rawMatch_ = 0;
        break;
      case State::BlockComment:
        if (!backslash_) afterStar_ = false;
        break;
      default:
        break;
    }
    if (backslash_) backslashBlanks_ = true;
    return;
  }
  if (backslash_) resolveBackslash(out);
  character(out, byte);
  if (shiftJis() && isLeadByte(c)) afterLead_ = true;
}

template <class Sink>
void CCommentStripper::finish(Sink& out) {
  if (backslash_) resolveBackslash(out);
  if (state_ == State::Slash) releaseSlash(out);
  if (!heldLineEnds_.empty()) writeHeldLineEnds(out, false);
  if (state_ == State::BlockComment) unterminatedLine_ = commentLine_;
  if (state_ == State::BlockComment || state_ == State::LineComment || commentSinceCode_) {
    heldBlanks_.clear();
  } else {
    writeHeldBlanks(out);
  }
}

}  // namespace cstrip
