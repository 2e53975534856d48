#include "delete_comment.h"

#include "comment_stripper.h"
#include "fast_comment_stripper.h"
#include "input_file.h"
#include "line_counter.h"
#include "output_file.h"

namespace cstrip {

RunOutcome DeleteComment(WindowOperations& window) {
  InputFile input(window.inputPath());
  OutputFile output(window.outputPath(), input);
  FastCommentStripper stripper;
  LineCounter lineCounter(window);
  auto countLf = [&] { return lineCounter.count(); };
  auto closeBoth = [&] {
    lineCounter.finish();
    input.close();
    output.close();
  };

  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    if (!stripper.feed(chunk, output, countLf) || !window.idle()) {
      closeBoth();
      return RunOutcome::Stopped;
    }
  }
  const int written = stripper.finish();
  if (written != CommentStripper::kEmpty) output.put(static_cast<char>(written));
  closeBoth();
  return RunOutcome::Completed;
}

}  // namespace cstrip
