#include "case_run.h"

#include "run_frame.h"
#include "single_pass_case.h"

namespace cstrip {

namespace {

// The case converter's sink: the output, the line count, and Option1, read
// again only when the window may have changed it. Lines pass unseen while
// the count needs no yield and Option1 is not to be read again.
class CaseRunSink {
 public:
  CaseRunSink(OutputFile& output, LineCounter& lines, WindowOperations& window)
      : output_(output), lines_(lines), window_(window) {}

  bool lowerCaseForNewLine() {
    if (lines_.windowMayHaveChanged()) lower_ = window_.lowerCaseChosen();
    return lower_;
  }
  void write(std::span<const char> bytes) { output_.write(bytes); }
  bool lineEnded() { return lines_.count(); }
  std::uint64_t quietLines() const {
    return lines_.windowMayHaveChangedSinceAsked() ? 0 : lines_.quietCounts();
  }
  void linesPassed(std::uint64_t lines) { lines_.countQuietly(lines); }

 private:
  OutputFile& output_;
  LineCounter& lines_;
  WindowOperations& window_;
  bool lower_ = true;
};

// The input read again and the output written over, for a rewrite.
class RunText {
 public:
  explicit RunText(RunFrame& frame) : frame_(frame) {}

  std::size_t reread(std::uint64_t offset, std::span<char> into) {
    return frame_.input().readAt(offset, into);
  }
  void rewrite(std::uint64_t offset, std::span<const char> bytes) {
    frame_.output().rewrite(offset, bytes);
  }
  bool idle() { return frame_.lines().idle(); }

 private:
  RunFrame& frame_;
};

}  // namespace

void ConvertCase(WindowOperations& window) {
  RunFrame frame(window, true, true);
  CaseRunSink sink(frame.output(), frame.lines(), window);
  RunText text(frame);
  SinglePassCase<CaseRunSink, RunText> conversion(sink, text, frame.decidedEncoding());
  frame.run(conversion);
}

}  // namespace cstrip
