#include "case_run.h"

#include "case_converter.h"
#include "run_frame.h"

namespace cstrip {

namespace {

// The case converter's sink: the output, the line count, and Option1, read
// again only when the window may have changed it.
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

 private:
  OutputFile& output_;
  LineCounter& lines_;
  WindowOperations& window_;
  bool lower_ = true;
};

}  // namespace

void ConvertCase(WindowOperations& window) {
  RunFrame frame(window, true);
  CaseRunSink sink(frame.output(), frame.lines(), window);
  CaseConverter<CaseRunSink> conversion(sink, frame.encoding());
  frame.run(conversion);
}

}  // namespace cstrip
