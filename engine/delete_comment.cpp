#include "delete_comment.h"

#include "comment_stripper.h"
#include "fast_comment_stripper.h"
#include "input_file.h"
#include "output_file.h"

namespace cstrip {

RunOutcome DeleteComment(WindowOperations& window) {
  InputFile input(window.inputPath());
  OutputFile output(window.outputPath(), input);
  FastCommentStripper stripper;
  LineCount lineCount = 0;
  auto countLf = [&] {
    window.showCount(++lineCount);
    return window.yield();
  };
  auto closeBoth = [&] {
    input.close();
    output.close();
  };

  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    if (!stripper.feed(chunk, output, countLf)) {
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
