#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

#include "command_line.h"
#include "process_stop.h"
#include "system_file.h"
#include "window_operations.h"

namespace cstrip::cli {

// The window operations without a window: fixed paths, mode and file rules,
// a yield that does nothing and so may always be left out (the run still
// shows its final count), a stop between buffers once the process is asked
// to stop (see requestProcessStop), and where asked (see countBytes), a
// running total of the bytes read for a progress line.
class ConsoleWindow : public WindowOperations {
 public:
  ConsoleWindow(Mode mode, std::filesystem::path input, std::filesystem::path output,
                FileRules rules = {})
      : mode_(mode), input_(std::move(input)), output_(std::move(output)), rules_(rules) {}

  std::filesystem::path inputPath() override { return input_; }
  std::filesystem::path outputPath() override { return output_; }
  bool commentModeChosen() override { return mode_ == Mode::Strip; }
  bool cCommentModeChosen() override { return mode_ == Mode::StripC; }
  bool keepLines() override { return keepLines_; }
  void unterminatedComment(LineCount line) override { unterminatedComment_ = line; }
  bool lowerCaseChosen() override { return mode_ == Mode::Lower; }
  void showCount(LineCount count) override { count_ = count; }
  bool yield() override { return true; }
  std::uint64_t yieldsToSkip() override { return UINT64_MAX; }
  bool idle() override {
    // A buffer read, whole but perhaps for the last: counted up to the
    // input's size, which settleBytes() then makes up.
    const std::uintmax_t counted = std::min<std::uintmax_t>(kIoBufferSize, size_ - counted_);
    counted_ += counted;
    if (bytesRead_ != nullptr) *bytesRead_ += counted;
    stopped_ = processStopSignal() != 0;
    return !stopped_;
  }
  FileRules fileRules() override { return rules_; }

  // The count the run showed last; nothing if it never counted.
  std::optional<LineCount> count() const { return count_; }
  // Makes the C comment stripping keep every line where it was.
  void setKeepLines(bool keep) { keepLines_ = keep; }
  // The line on which a block comment that runs to the end opened, if any.
  std::optional<LineCount> unterminatedCommentLine() const { return unterminatedComment_; }
  // Adds the bytes read, up to `size`, the input's, to `total` as the run
  // goes.
  void countBytes(std::atomic<std::uintmax_t>& total, std::uintmax_t size) {
    bytesRead_ = &total;
    size_ = size;
  }
  // Adds what the run did not count of `size` to `total`: once it is done,
  // whether it read all or failed early, its input counts as read.
  void settleBytes() {
    if (bytesRead_ != nullptr) *bytesRead_ += size_ - counted_;
    counted_ = size_;
  }
  // Whether the run stopped, leaving its output as it was.
  bool stopped() const { return stopped_; }

 private:
  Mode mode_;
  std::filesystem::path input_;
  std::filesystem::path output_;
  FileRules rules_;
  std::atomic<std::uintmax_t>* bytesRead_ = nullptr;
  std::uintmax_t size_ = 0;
  std::uintmax_t counted_ = 0;
  std::optional<LineCount> count_;
  std::optional<LineCount> unterminatedComment_;
  bool keepLines_ = false;
  bool stopped_ = false;
};

}  // namespace cstrip::cli
