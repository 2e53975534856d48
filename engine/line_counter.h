#pragma once

#include <cstdint>
#include <utility>

#include "window_operations.h"

namespace cstrip {

// A run's line count and its yields: shows the count and yields after each
// line, except for the yields the window lets the run leave out.
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
    return showAndYield();
  }

  // At the end of the run, stopped or not: shows the final count if the
  // last lines counted were not shown. A run that counted nothing leaves
  // the count as it was.
  void finish() {
    if (count_ != shown_) window_.showCount(count_);
    shown_ = count_;
  }

  // True once for each yield made since the last call: the window may have
  // processed events, so what it shows may have changed.
  bool yieldedSinceAsked() { return std::exchange(yielded_, false); }

 private:
  bool showAndYield() {
    window_.showCount(count_);
    shown_ = count_;
    yielded_ = true;
    if (!window_.yield()) return false;
    skip_ = window_.yieldsToSkip();
    return true;
  }

  WindowOperations& window_;
  LineCount count_ = 0;
  LineCount shown_ = 0;
  std::uint64_t skip_ = 0;
  bool yielded_ = false;
};

}  // namespace cstrip
