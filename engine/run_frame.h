#pragma once

#include "file_names.h"
#include "input_encoding.h"
#include "input_file.h"
#include "line_counter.h"
#include "output_file.h"
#include "window_operations.h"

namespace cstrip {

// What the strip run and the case run share: Text1's file opened for
// reading and examined, then Text2's file opened for writing, the line
// count, and the loop that feeds the input to a conversion one buffer at a
// time.
class RunFrame {
 public:
  // Opens the input and examines it (see examineInput, which decides the
  // encoding when `decideEncoding` is set), then opens the output, each
  // found by findFile. Throws
  // RunError as InputFile, examineInput and OutputFile do; the output is
  // not touched when the input is refused.
  RunFrame(WindowOperations& window, bool decideEncoding)
      : input_(findFile(window.inputPath())),
        encoding_(examineInput(input_, decideEncoding)),
        output_(findFile(window.outputPath()), input_.identity()),
        lines_(window) {}

  TextEncoding encoding() const { return encoding_; }
  OutputFile& output() { return output_; }
  LineCounter& lines() { return lines_; }

  // Feeds every buffer of the input to conversion.feed(std::span<char>) and
  // then calls conversion.finish(), letting the window be idle between
  // buffers. When feed() or the window asks to stop, the rest is left
  // unread and finish() is not called. Either way the final count is then
  // shown and both files are closed. Throws RunError when a read, a write
  // or the close fails; the files are closed then too.
  template <class Conversion>
  void run(Conversion& conversion) {
    for (auto chunk = input_.read(); !chunk.empty(); chunk = input_.read()) {
      if (!conversion.feed(chunk) || !lines_.idle()) return close();
    }
    conversion.finish();
    close();
  }

 private:
  void close() {
    lines_.finish();
    output_.close();  // the input, only read, closes with the frame
  }

  InputFile input_;
  TextEncoding encoding_;
  OutputFile output_;
  LineCounter lines_;
};

}  // namespace cstrip
