#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "byte_kernels.h"
#include "fast_c_comment_stripper.h"
#include "system_file.h"
#include "utf8_validator.h"

namespace cstrip {

// The C comment stripping of a text read once, whose encoding is decided as
// it goes: it is stripped as UTF-8 while it is checked, each chunk checked
// before it is stripped. The two readings differ only after a Shift-JIS
// lead byte, none of which is ASCII, so:
//  - at the first chunk that is not UTF-8, if no byte before it was above
//    0x7F, the stripping goes on as Shift-JIS from that chunk on, and all
//    written before stands;
//  - else (and at the end, for a character cut off), the output is
//    started again, everything fed before is read again and stripped as
//    Shift-JIS, and the stripping goes on from there. Line ends are the
//    same bytes in both readings, so the lines, counted once by the first
//    reading, are not counted again.
// The output is the one a stripping in the encoding decided first gives.
//
// Output: as FastCCommentStripper's. Lines: as its feed() takes. Text gives
// the input again and starts the output over:
//   std::size_t reread(std::uint64_t offset, std::span<char> into): the
//     input's bytes from `offset` on, as many as fit or as there are; the
//     bytes fed before are there still (else it throws);
//   void restartOutput(): the output is emptied, written from its start;
//   bool idle(): between the buffers read again, false to stop.
template <class Output, class Lines, class Text>
class SinglePassCStrip {
 public:
  // Strips as rules.encoding when `decided`, else decides as above.
  SinglePassCStrip(Output& out, Lines& lines, Text& text, CStripRules rules, bool decided,
                   const ByteKernels& kernels = fastestByteKernels())
      : out_(out),
        lines_(lines),
        text_(text),
        rules_(rules),
        kernels_(kernels),
        deciding_(!decided),
        validator_(kernels) {
    if (deciding_) rules_.encoding = TextEncoding::Utf8;
    stripper_.emplace(rules_, kernels_);
  }

  // As FastCCommentStripper's, and false when reading again is asked to
  // stop.
  bool feed(std::span<const char> chunk) {
    if (deciding_) {
      if (!validator_.feed(chunk)) {
        if (!goOnAsShiftJis()) return false;
      } else if (ascii_) {
        ascii_ = kernels_.skipAscii(chunk.data(), chunk.data() + chunk.size()) ==
                 chunk.data() + chunk.size();
      }
    }
    fed_ += chunk.size();
    return stripper_->feed(chunk, out_, lines_);
  }
  // Writes what is held, after stripping again if the text ends inside a
  // character. Returns false only when that is asked to stop; the output
  // is then incomplete.
  bool finish() {
    if (deciding_ && !validator_.finish()) {
      ascii_ = false;  // the cut-off character's bytes have been taken
      if (!goOnAsShiftJis()) return false;
    }
    stripper_->finish(out_);
    return true;
  }

  // The line an unterminated block comment opened on, or 0.
  LineCount unterminatedCommentLine() const { return stripper_->unterminatedCommentLine(); }
  // The encoding the text is read in; UTF-8 while that is not disproved.
  TextEncoding encoding() const { return rules_.encoding; }

 private:
  // Line ends taken a second time: counted before.
  struct Uncounted {
    bool count() { return true; }
    std::uint64_t quietCounts() const { return UINT64_MAX; }
    void countQuietly(std::uint64_t) {}
  };

  bool goOnAsShiftJis() {
    deciding_ = false;
    rules_.encoding = TextEncoding::ShiftJis;
    if (ascii_) {
      stripper_->goOnAsShiftJis();
      return true;
    }
    text_.restartOutput();
    stripper_.emplace(rules_, kernels_);
    Uncounted uncounted;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kIoBufferSize);
    for (std::uint64_t offset = 0; offset < fed_;) {
      const std::size_t size = std::min<std::uint64_t>(kIoBufferSize, fed_ - offset);
      const std::size_t got = text_.reread(offset, {buffer.get(), size});
      if (got == 0) return false;  // not where Text keeps its promise
      stripper_->feed({buffer.get(), got}, out_, uncounted);
      offset += got;
      if (!text_.idle()) return false;
    }
    return true;
  }

  Output& out_;
  Lines& lines_;
  Text& text_;
  CStripRules rules_;
  const ByteKernels& kernels_;
  bool deciding_;
  bool ascii_ = true;  // no byte fed so far is above 0x7F
  Utf8Validator validator_;
  std::optional<FastCCommentStripper> stripper_;
  std::uint64_t fed_ = 0;
};

}  // namespace cstrip
