#include "strip_run.h"

#include "fast_comment_stripper.h"
#include "run_frame.h"

namespace cstrip {

namespace {

// The comment stripper writing to the output and counting each LF.
class StripConversion {
 public:
  StripConversion(OutputFile& output, LineCounter& lines) : output_(output), lines_(lines) {}

  bool feed(std::span<const char> chunk) { return stripper_.feed(chunk, output_, lines_); }
  void finish() { stripper_.finish(output_); }

 private:
  FastCommentStripper stripper_;
  OutputFile& output_;
  LineCounter& lines_;
};

}  // namespace

void DeleteComment(WindowOperations& window) {
  RunFrame frame(window, false);  // the five significant bytes mean the same in both
  StripConversion conversion(frame.output(), frame.lines());
  frame.run(conversion);
}

}  // namespace cstrip
