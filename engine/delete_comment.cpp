#include "delete_comment.h"

#include "comment_stripper.h"
#include "input_file.h"
#include "output_file.h"

namespace cstrip {

RunOutcome DeleteComment(WindowOperations& window) {
  InputFile input(window.inputPath());
  OutputFile output(window.outputPath(), input);
  CommentStripper stripper;
  LineCount lineCount = 0;
  auto closeBoth = [&] {
    input.close();
    output.close();
  };

  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    for (const char ch : chunk) {
      const auto byte = static_cast<unsigned char>(ch);
      const int written = stripper.step(byte);
      if (written != CommentStripper::kEmpty) output.put(static_cast<char>(written));
      if (byte == '\n') {
        window.showCount(++lineCount);
        if (!window.yield()) {
          closeBoth();
          return RunOutcome::Stopped;
        }
      }
    }
  }
  const int written = stripper.finish();
  if (written != CommentStripper::kEmpty) output.put(static_cast<char>(written));
  closeBoth();
  return RunOutcome::Completed;
}

}  // namespace cstrip
