#include "command3_click.h"

#include "case_converter.h"
#include "delete_comment.h"
#include "input_file.h"
#include "output_file.h"

namespace cstrip {

namespace {

// Sends converted lines to the output and reports each one to the window.
class CaseRunSink {
 public:
  CaseRunSink(OutputFile& output, WindowOperations& window) : output_(output), window_(window) {}

  bool lowerCaseForNewLine() { return window_.lowerCaseChosen(); }
  void write(std::span<const char> bytes) { output_.write(bytes); }
  bool lineEnded() {
    window_.showCount(++lineCount_);
    return window_.yield();
  }

 private:
  OutputFile& output_;
  WindowOperations& window_;
  LineCount lineCount_ = 0;
};

RunOutcome convertCase(WindowOperations& window) {
  InputFile input(window.inputPath());
  OutputFile output(window.outputPath(), input);
  CaseRunSink sink(output, window);
  CaseConverter<CaseRunSink> converter(sink);
  auto closeBoth = [&] {
    output.close();
    input.close();
  };

  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    if (!converter.feed(chunk)) {
      closeBoth();
      return RunOutcome::Stopped;
    }
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
