#pragma once

#include <algorithm>

namespace cstrip {

// The comment stripper's state and its step, one character at a time.
//
// The stripper starts with no character seen and stops after finish(). Each
// call decides the character read one step earlier (`prev`) now that the one
// after it (`cur`) is known, so a step writes at most one byte: the previous
// one. Bytes are characters here: the five significant ones (double quote,
// `*`, `/`, CR, LF) are all below 0x40 and so never part of a Shift-JIS
// double-byte character, whose second byte is 0x40 or above.
//
// Awkward inputs the rules settle:
//  - `/*/` does not close the comment: the `*` that opens it is forgotten.
//  - `*/` is forgotten once it closes a comment, so `*//` opens nothing.
//  - No escapes: `"\""` is a string, then a lone quote that opens another.
//  - A quote right after an LF or a lone CR that ends a `//` comment opens
//    nothing: the comment flag is cleared only in the step after the break.
//  - Runs of CR and LF outside comments keep their first byte: CR LF -> CR.
struct CommentStripper {
  // The value of `prev` and `cur` before anything is read or after a comment
  // marker is consumed; also what step() returns when it writes nothing.
  static constexpr int kEmpty = -1;

  // One step with `c` (a byte, 0 to 255). Returns the byte to write, or kEmpty.
  constexpr int step(int c) {
    // Shift.
    prev = cur;
    cur = c;

    // Strings: the comment flags are still those of the previous step.
    if (!inLineComment && !inBlockComment && cur == '"') inString = !inString;

    // Line comments.
    if (!inString) {
      if (!inLineComment) {
        if (prev == '/' && cur == '/') inLineComment = true;
      } else if (isLineBreak(prev)) {
        inLineComment = false;
      }
    }

    // Block comments.
    if (!inString) {
      if (!inBlockComment) {
        if (prev == '/' && cur == '*') {
          cur = kEmpty;  // so that `/*/` does not close at once
          inBlockComment = true;
        }
      } else if (prev == '*' && cur == '/') {
        prev = kEmpty;  // keeps `*/` out of the output
        cur = kEmpty;   // and stops its `/` from opening anything
        inBlockComment = false;
      }
    }

    // Output.
    if (inLineComment || inBlockComment || prev == kEmpty) return kEmpty;
    // Only whether the run is below 2 matters; saturating keeps a huge run of
    // line breaks from overflowing the counter.
    breakRun = isLineBreak(prev) ? std::min(breakRun + 1, 2) : 0;
    return breakRun < 2 ? prev : kEmpty;
  }

  // The closing step at the end of the input: decides the last byte read.
  constexpr int finish() { return step(kEmpty); }

  static constexpr bool isLineBreak(int c) { return c == '\n' || c == '\r'; }

  int prev = kEmpty;
  int cur = kEmpty;
  bool inString = false;
  bool inLineComment = false;
  bool inBlockComment = false;
  int breakRun = 0;
};

}  // namespace cstrip
