#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "byte_kernels.h"
#include "case_converter.h"
#include "system_file.h"
#include "utf8_validator.h"

namespace cstrip {

// The case conversion of a text read once, whose encoding is decided as it
// goes: it is converted as UTF-8 while it is checked, and at the first
// chunk that shows it is not UTF-8 (or at the end, for a character cut
// off), all that was converted before is read again, converted as
// Shift-JIS and written over the output in place; then the conversion goes
// on as Shift-JIS. The output is the one a conversion in the encoding
// decided first would give:
//  - CR and LF are never part of a character in either encoding, and
//    converting letters changes no byte's length, so the lines end at the
//    same bytes and each output byte has the same place in both readings:
//    the Shift-JIS text covers the UTF-8 one exactly.
//  - Each line's direction, asked of the sink once as the line starts, is
//    recorded where it changes, and the rewrite replays it. The sink sees
//    each line start and end once, from the first conversion only.
//  - Where the record grows long (a direction changed at many lines), the
//    rest of the input is checked ahead, so that the record is either no
//    longer needed (UTF-8 to the end) or used up at once (a rewrite now).
//
// Sink: as CaseConverter's. Text gives the input again and the output to
// write over:
//   std::size_t reread(std::uint64_t offset, std::span<char> into): the
//     input's bytes from `offset` on, as many as fit or as there are; the
//     bytes fed before are there still (else it throws);
//   void rewrite(std::uint64_t offset, std::span<const char> bytes): writes
//     over the output from `offset`, where the sink's writes have been;
//   bool idle(): between the buffers of a rewrite or a check ahead, false
//     to stop.
template <class Sink, class Text>
class SinglePassCase {
 public:
  // Converts as `encoding` where it is given, else decides as above,
  // checking ahead once `mostChanges` changes of direction are recorded.
  SinglePassCase(Sink& sink, Text& text, std::optional<TextEncoding> encoding,
                 const ByteKernels& kernels = fastestByteKernels(),
                 std::size_t mostChanges = std::size_t{1} << 16)
      : mostChanges_(mostChanges),
        recorder_{sink, !encoding},
        text_(text),
        kernels_(kernels),
        deciding_(!encoding),
        encoding_(encoding.value_or(TextEncoding::Utf8)),
        validator_(kernels),
        converter_(recorder_, encoding.value_or(TextEncoding::Utf8), kernels) {}

  // As CaseConverter's, and false when a rewrite is asked to stop.
  bool feed(std::span<char> chunk) {
    if (deciding_ && recorder_.changes.size() >= mostChanges_ && !checkAhead()) return false;
    if (deciding_ && !validator_.feed(chunk) && !rewrite()) return false;
    fed_ += chunk.size();
    return converter_.feed(chunk);
  }
  // Ends the last line, after a rewrite if the text ends inside a
  // character. Returns false only when the rewrite is asked to stop; the
  // output is then incomplete.
  bool finish() {
    if (deciding_ && !validator_.finish() && !rewrite()) return false;
    converter_.finish();
    return true;
  }

  // The encoding the text is read in; UTF-8 while that is not disproved.
  TextEncoding encoding() const { return encoding_; }

 private:
  // The sink, with a record of the line starts where the direction changed.
  struct Recorder {
    Sink& sink;
    bool recording;
    std::vector<std::uint64_t> changes = {};  // line numbers from 0
    std::uint64_t lineStarts = 0;
    bool lower = true;

    bool lowerCaseForNewLine() {
      const bool now = sink.lowerCaseForNewLine();
      if (now != lower && recording) changes.push_back(lineStarts);
      lower = now;
      ++lineStarts;
      return now;
    }
    void write(std::span<const char> bytes) { sink.write(bytes); }
    bool lineEnded() { return sink.lineEnded(); }
    std::uint64_t quietLines() { return sink.quietLines(); }
    void linesPassed(std::uint64_t lines) {
      sink.linesPassed(lines);
      lineStarts += lines;
    }
  };

  // The rewrite's sink: the directions recorded, the output kept for the
  // next rewrite(), no line told to anyone.
  struct Replay {
    const std::vector<std::uint64_t>& changes;
    std::string output = {};
    std::size_t nextChange = 0;
    std::uint64_t lineStarts = 0;
    bool lower = true;

    bool lowerCaseForNewLine() {
      if (nextChange < changes.size() && changes[nextChange] == lineStarts) {
        lower = !lower;
        ++nextChange;
      }
      ++lineStarts;
      return lower;
    }
    void write(std::span<const char> bytes) { output.append(bytes.data(), bytes.size()); }
    bool lineEnded() { return true; }
    std::uint64_t quietLines() {
      return nextChange < changes.size() ? changes[nextChange] - lineStarts : UINT64_MAX;
    }
    void linesPassed(std::uint64_t lines) { lineStarts += lines; }
  };

  // The text is Shift-JIS: converts again what was fed, as Shift-JIS.
  bool rewrite() {
    Replay replay{recorder_.changes};
    replay.output.reserve(2 * kIoBufferSize);  // a lone CR gets an LF
    CaseConverter<Replay> shiftJis(replay, TextEncoding::ShiftJis, kernels_);
    const auto buffer = std::make_unique_for_overwrite<char[]>(kIoBufferSize);
    std::uint64_t written = 0;
    for (std::uint64_t offset = 0; offset < fed_;) {
      const std::size_t size = std::min<std::uint64_t>(kIoBufferSize, fed_ - offset);
      const std::size_t got = text_.reread(offset, {buffer.get(), size});
      if (got == 0) return false;  // not where Text keeps its promise
      shiftJis.feed({buffer.get(), got});
      text_.rewrite(written, replay.output);
      written += replay.output.size();
      replay.output.clear();
      offset += got;
      if (!text_.idle()) return false;
    }
    converter_.goOnAsShiftJis(shiftJis.afterLeadByte());
    encoding_ = TextEncoding::ShiftJis;
    decided();
    return true;
  }

  // Checks the rest of the input ahead: the record is not needed if it is
  // UTF-8, and is used up at once if it is not.
  bool checkAhead() {
    Utf8Validator rest = validator_;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kIoBufferSize);
    for (std::uint64_t offset = fed_;;) {
      const std::size_t got = text_.reread(offset, {buffer.get(), kIoBufferSize});
      if (got == 0 || !rest.feed({buffer.get(), got})) break;
      offset += got;
      if (!text_.idle()) return false;
    }
    if (!rest.finish()) return rewrite();
    decided();
    return true;
  }

  void decided() {
    deciding_ = false;
    recorder_.recording = false;
    recorder_.changes = {};
  }

  const std::size_t mostChanges_;
  Recorder recorder_;
  Text& text_;
  const ByteKernels& kernels_;
  bool deciding_;
  TextEncoding encoding_;
  Utf8Validator validator_;
  CaseConverter<Recorder> converter_;
  std::uint64_t fed_ = 0;  // bytes fed so far
};

}  // namespace cstrip
