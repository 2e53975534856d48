#pragma once

#include <cstdint>
#include <utility>

#include "window_operations.h"

namespace cstrip {

// A run's line count and its turns to the window: shows the count and
// yields after each line, except for the yields the window lets the run
// leave out, and lets the window be idle between buffers.
class LineCounter {
 public:
  explicit LineCounter(WindowOperations& window) : window_(window) {}

  // Counts one line. Returns false when the window asks the run to stop.
  bool count() {
    ++count_;
    if (skip_ > 0) {
      --skip_;
      return true;
    }
    window_.showCount(count_);
    shown_ = count_;
    windowMayHaveChanged_ = true;
    if (!window_.yield()) return false;
    skip_ = window_.yieldsToSkip();
    return true;
  }

  // How many more lines count() would count without calling out to the
  // window (returning true), so that they may be counted at once.
  std::uint64_t quietCounts() const { return skip_; }
  // Counts `lines` lines, at most quietCounts().
  void countQuietly(std::uint64_t lines) {
    count_ += lines;
    skip_ -= lines;
  }

  // Between the input's buffers. Returns false when the window asks the run
  // to stop.
  bool idle() {
    windowMayHaveChanged_ = true;
    return window_.idle();
  }

  // At the end of the run, stopped or not: shows the final count if the
  // last lines counted were not shown. A run that counted nothing leaves
  // the count as it was.
  void finish() {
    if (count_ != shown_) window_.showCount(count_);
    shown_ = count_;
  }

  // True at the first call, and then once after each yield made or idle():
  // the window may have processed events, so its controls may have changed.
  bool windowMayHaveChanged() { return std::exchange(windowMayHaveChanged_, false); }
  // Whether it would say true now.
  bool windowMayHaveChangedSinceAsked() const { return windowMayHaveChanged_; }

 private:
  WindowOperations& window_;
  LineCount count_ = 0;
  LineCount shown_ = 0;
  std::uint64_t skip_ = 0;
  bool windowMayHaveChanged_ = true;
};

}  // namespace cstrip
