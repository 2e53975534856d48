#include "c_strip_run.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

#include "byte_range.h"

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
  // Compared in the system's own characters: a name need not convert.
  const auto extension = input.extension().native();
  for (const std::string_view cpp : {".cc", ".cpp", ".cxx", ".c++", ".hh", ".hpp", ".hxx"}) {
    const auto same = [](auto named, char wanted) {
      const auto code = static_cast<std::make_unsigned_t<decltype(named)>>(named);
      const bool upper =
          code < 0x80 && kUpperCaseLetters.contains(static_cast<unsigned char>(code));
      return (upper ? code ^ kAsciiCaseBit : code) == static_cast<unsigned char>(wanted);
    };
    if (std::ranges::equal(extension, cpp, same)) return true;
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
