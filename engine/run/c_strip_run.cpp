#include "c_strip_run.h"

#include <algorithm>
#include <string>

#include "fast_c_comment_stripper.h"
#include "run_frame.h"

namespace cstrip {

namespace {

// The stripper writing to the output and counting each line end.
class CStripConversion {
 public:
  CStripConversion(OutputFile& output, LineCounter& lines, CStripRules rules)
      : stripper_(rules), output_(output), lines_(lines) {}

  bool feed(std::span<const char> chunk) { return stripper_.feed(chunk, output_, lines_); }
  void finish() { stripper_.finish(output_); }
  LineCount unterminatedCommentLine() const { return stripper_.unterminatedCommentLine(); }

 private:
  FastCCommentStripper stripper_;
  OutputFile& output_;
  LineCounter& lines_;
};

}  // namespace

bool readsRawStrings(const std::filesystem::path& input) {
  std::string extension = input.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; });
  for (const char* cpp : {".cc", ".cpp", ".cxx", ".c++", ".hh", ".hpp", ".hxx"}) {
    if (extension == cpp) return true;
  }
  return false;
}

void DeleteCComment(WindowOperations& window) {
  const bool keepLines = window.keepLines();
  RunFrame frame(window, true);
  const CStripRules rules{frame.encoding(), readsRawStrings(frame.inputPath()), keepLines};
  CStripConversion conversion(frame.output(), frame.lines(), rules);
  frame.run(conversion);
  if (const LineCount line = conversion.unterminatedCommentLine()) {
    window.unterminatedComment(line);
  }
}

}  // namespace cstrip
