#pragma once

#include <optional>
#include <type_traits>

#include "file_names.h"
#include "input_encoding.h"
#include "input_file.h"
#include "io_thread.h"
#include "line_counter.h"
#include "output_file.h"
#include "run_error.h"
#include "window_operations.h"

namespace cstrip {

// What the runs share: Text1's file opened for
// reading and examined, then Text2's file made ready for writing, the line
// count, and the loop that feeds the input to a conversion one buffer at a
// time.
class RunFrame {
 public:
  // Opens the input and examines it (see examineInput, which decides the
  // encoding when `decideEncoding` is set), then gets the output ready, as
  // the window's fileRules() say; a named input is found by findFile, and
  // converted in place under the name it was found by. Throws RunError as
  // InputFile, examineInput and OutputFile do, and NotRegularInPlace for a
  // named input to convert in place that is not a regular file; the output
  // is not touched when the input is refused. With `whileConverting`, an
  // input that can be read twice going to an output that can be rewritten
  // is left undecided, for the run to decide as it converts. A regular
  // input is read ahead on a thread of the run's own; with `writeBehind`,
  // for a conversion slower than the system's writes, a file output is
  // written behind on it too.
  RunFrame(WindowOperations& window, bool decideEncoding, bool whileConverting = false,
           bool writeBehind = false)
      : rules_(window.fileRules()),
        input_(openInput(io_, window, rules_)),
        encoding_(examineInput(input_, decideEncoding, whileConverting)),
        output_(rules_.inPlace ? input_.path() : window.outputPath(), input_.identity(),
                input_.access(),
                OutputRules{rules_.replaceOutput, rules_.inPlace, rules_.backupSuffix,
                            rules_.releaseReplacedAside},
                kIoBufferSize, writeBehind ? &io_ : nullptr),
        lines_(window) {
    if (!encoding_ && !output_.rewritable()) encoding_ = readEncoding(input_);
  }

  // The encoding decided, if it is.
  std::optional<TextEncoding> decidedEncoding() const { return encoding_; }
  TextEncoding encoding() const { return encoding_.value(); }
  // The input as opened.
  const std::filesystem::path& inputPath() const { return input_.path(); }
  InputFile& input() { return input_; }
  OutputFile& output() { return output_; }
  LineCounter& lines() { return lines_; }

  // Feeds every buffer of the input to conversion.feed(std::span<char>) and
  // then calls conversion.finish(), letting the window be idle between
  // buffers, and puts the output in place. When feed() or the window asks
  // to stop, the rest is left unread, finish() is not called and the
  // output stays as it was before the run (a stream keeps what was
  // written); so too when finish() returns false, where it returns a bool.
  // Either way the final count is shown. Throws RunError when a read, a
  // write, the close or the replacing fails; the output stays as it was
  // then too.
  template <class Conversion>
  void run(Conversion& conversion) {
    for (auto chunk = input_.read(); !chunk.empty(); chunk = input_.read()) {
      if (!conversion.feed(chunk) || !lines_.idle()) return lines_.finish();
    }
    if constexpr (std::is_void_v<decltype(conversion.finish())>) {
      conversion.finish();
    } else if (!conversion.finish()) {
      return lines_.finish();
    }
    lines_.finish();
    input_.close();  // Windows would not let the output replace it in place while open
    output_.commit();
  }

 private:
  static InputFile openInput(IoThread& io, WindowOperations& window, const FileRules& rules) {
    if (rules.walkedInput) return InputFile(io, window.inputPath(), true, rules.followLinks);
    const std::filesystem::path path = findFile(window.inputPath());
    if (!rules.inPlace) return InputFile(io, path);
    // "-", standard input, has no file to replace.
    if (isStandardStream(path)) throw RunError(Failure::NotRegularInPlace, path);
    try {
      return InputFile(io, path, true);
    } catch (const RunError& error) {
      if (error.failure() != Failure::NotRegularInput) throw;
      throw RunError(Failure::NotRegularInPlace, path);
    }
  }

  FileRules rules_;
  IoThread io_;  // before the files that use it, and gone after them
  InputFile input_;
  std::optional<TextEncoding> encoding_;
  OutputFile output_;
  LineCounter lines_;
};

}  // namespace cstrip
