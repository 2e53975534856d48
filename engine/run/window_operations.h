#pragma once

#include <cstdint>
#include <filesystem>

#include "line_count.h"

namespace cstrip {

// How a run takes its two paths. By default as a user names them: the input
// found by findFile and read whatever it is, a pipe or a device too, and
// links at either path followed.
struct FileRules {
  // The input was found walking a folder: it is taken by its exact name,
  // opened without blocking and refused unless it is still a regular file,
  // and not through a link unless `followLinks`.
  bool walkedInput = false;
  bool followLinks = false;
  // The output lies in a folder the program fills: whatever is at it, a
  // link, a FIFO or a device, is replaced, never written through or into.
  bool replaceOutput = false;
  // The input is converted in place, as `sed -i` edits: the output is the
  // input's own name (outputPath() is not asked), read through a link at it
  // and refused unless a regular file; the converted text replaces the file
  // whole (a link at the name by a file, the link's target left as it was;
  // a hard-linked file under this name only) and keeps its permission bits,
  // owner and group. The output's usual rules and `replaceOutput` give way.
  bool inPlace = false;
  // In place, when not empty: the file (or link) at the name is kept under
  // the name followed by this suffix, replacing what was there, before the
  // converted text takes the name.
  std::filesystem::path::string_type backupSuffix;
  // A large file the output replaces is let go of on a thread of its own,
  // which the run does not wait for, so that a window goes on answering its
  // events while the system frees it (POSIX).
  bool releaseReplacedAside = false;
};

// What a run needs from the window. The engine is written against this
// interface only, so it builds and runs without any window toolkit.
class WindowOperations {
 public:
  virtual ~WindowOperations() = default;

  // Text1's text: the input path ("-" for standard input, see findFile for
  // names in CP932). Read once, when the run opens its input.
  virtual std::filesystem::path inputPath() = 0;
  // Text2's text: the output path ("-" for standard output). Read once,
  // when the run opens its output.
  virtual std::filesystem::path outputPath() = 0;
  // Option3's value: the classic comment stripping is chosen. Read once
  // per run.
  virtual bool commentModeChosen() = 0;
  // Option4's value: stripping the comments as C reads them is chosen. Read
  // once per run, when Option3 is not set.
  virtual bool cCommentModeChosen() = 0;
  // Whether that stripping keeps every line where it was (see
  // CStripRules::keepLines). Read once per run; not by default.
  virtual bool keepLines() { return false; }
  // Told at the end of that stripping when a block comment opened on line
  // `line` runs to the end of the input. Does nothing by default.
  virtual void unterminatedComment(LineCount /*line*/) {}
  // Option1's value: lower case is chosen. The case run reads it as the
  // first line starts and again at the first line start after each yield
  // made or idle(), the only times the window can have changed it.
  virtual bool lowerCaseChosen() = 0;
  // Shows `count` in Text3 (see formatLineCount), now or at the window's
  // next chance to paint.
  virtual void showCount(LineCount count) = 0;
  // Lets the window process its pending events, then returns. Returns false
  // when the run must stop (the window is going away); the run then closes
  // its files and returns without finishing.
  virtual bool yield() = 0;
  // Asked after each yield: how many of the next yields, each with the
  // showCount before it, the run may leave out. A window whose yield does
  // nothing most of the time says so here, and the run then only counts
  // those lines: calls per line would cost more than converting them. The
  // count is shown again at the next yield made, and at the end of the run
  // in any case. 0, the default, keeps a yield for every line.
  virtual std::uint64_t yieldsToSkip() { return 0; }
  // Called between the input's buffers, where no line is counted, so that a
  // window can stay responsive over long lines too: it may process its
  // events here if it is due. Returns false when the run must stop. Does
  // nothing by default.
  virtual bool idle() { return true; }
  // How the run takes the paths of inputPath() and outputPath(). Asked once,
  // before either.
  virtual FileRules fileRules() { return {}; }
};

}  // namespace cstrip
