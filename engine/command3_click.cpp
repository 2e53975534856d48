#include "command3_click.h"

#include "case_converter.h"
#include "delete_comment.h"
#include "input_file.h"
#include "line_counter.h"
#include "output_file.h"

namespace cstrip {

namespace {

// Sends converted lines to the output and counts them for the window.
class CaseRunSink {
 public:
  CaseRunSink(OutputFile& output, WindowOperations& window, LineCounter& lineCounter)
      : output_(output), window_(window), lineCounter_(lineCounter) {}

  // Option1 can change only while the window processes events, so it is
  // read again only after the window had the chance to.
  bool lowerCaseForNewLine() {
    const bool yielded = lineCounter_.yieldedSinceAsked();
    if (!lowerKnown_ || yielded) {
      lower_ = window_.lowerCaseChosen();
      lowerKnown_ = true;
    }
    return lower_;
  }
  void write(std::span<const char> bytes) { output_.write(bytes); }
  bool lineEnded() { return lineCounter_.count(); }
  // The window had the chance to process events between two buffers.
  void windowWasIdle() { lowerKnown_ = false; }

 private:
  OutputFile& output_;
  WindowOperations& window_;
  LineCounter& lineCounter_;
  bool lowerKnown_ = false;
  bool lower_ = true;
};

RunOutcome convertCase(WindowOperations& window) {
  InputFile input(window.inputPath());
  OutputFile output(window.outputPath(), input);
  LineCounter lineCounter(window);
  CaseRunSink sink(output, window, lineCounter);
  CaseConverter<CaseRunSink> converter(sink);
  auto closeBoth = [&] {
    lineCounter.finish();
    output.close();
    input.close();
  };

  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    if (!converter.feed(chunk) || !window.idle()) {
      closeBoth();
      return RunOutcome::Stopped;
    }
    sink.windowWasIdle();
  }
  converter.finish();  // the last line is written even if its yield asks to stop
  closeBoth();
  return RunOutcome::Completed;
}

}  // namespace

RunOutcome Command3_Click(WindowOperations& window) {
  return window.commentModeChosen() ? DeleteComment(window) : convertCase(window);
}

}  // namespace cstrip
