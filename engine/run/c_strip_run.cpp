#include "c_strip_run.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

#include "byte_range.h"

#include "run_frame.h"
#include "single_pass_c_strip.h"

namespace cstrip {

namespace {

// The input read again and the output started over, when the text turns
// out not to be UTF-8 after the stripping has written as if it were.
class RunText {
 public:
  explicit RunText(RunFrame& frame) : frame_(frame) {}

  std::size_t reread(std::uint64_t offset, std::span<char> into) {
    return frame_.input().readAt(offset, into);
  }
  void restartOutput() { frame_.output().restart(); }
  bool idle() { return frame_.lines().idle(); }

 private:
  RunFrame& frame_;
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
  // Decided as it strips, where it may start the output over. The
  // stripping takes longer over a buffer than the system takes to write
  // it, so its output is written behind; the other conversions are
  // quicker, and left to write their own.
  constexpr bool kWriteBehind = true;
  RunFrame frame(window, true, true, kWriteBehind);
  const CStripRules rules{frame.decidedEncoding().value_or(TextEncoding::Utf8),
                          readsRawStrings(frame.inputPath()), keepLines};
  RunText text(frame);
  SinglePassCStrip<OutputFile, LineCounter, RunText> conversion(
      frame.output(), frame.lines(), text, rules, frame.decidedEncoding().has_value());
  frame.run(conversion);
  if (const LineCount line = conversion.unterminatedCommentLine()) {
    window.unterminatedComment(line);
  }
}

}  // namespace cstrip
