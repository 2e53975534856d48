#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "window_operations.h"

namespace cstrip {

enum class ConsoleMode { Strip, Lower, Upper };

// The mode named by `name` ("strip", "lower" or "upper"), if any.
std::optional<ConsoleMode> parseConsoleMode(const std::string& name);

// The window operations without a window: fixed paths and mode, a remembered
// count, a yield that does nothing.
class ConsoleWindow : public WindowOperations {
 public:
  ConsoleWindow(ConsoleMode mode, std::string inputPath, std::string outputPath)
      : mode_(mode), inputPath_(std::move(inputPath)), outputPath_(std::move(outputPath)) {}

  std::string inputPath() override { return inputPath_; }
  std::string outputPath() override { return outputPath_; }
  bool commentModeChosen() override { return mode_ == ConsoleMode::Strip; }
  bool lowerCaseChosen() override { return mode_ == ConsoleMode::Lower; }
  void showCount(LineCount count) override { count_ = count; }
  bool yield() override { return true; }
  // The yield does nothing, so every one may be left out; the run still
  // shows its final count.
  std::uint64_t yieldsToSkip() override { return UINT64_MAX; }

  // The last count shown, if the run counted anything.
  std::optional<LineCount> count() const { return count_; }

 private:
  ConsoleMode mode_;
  std::string inputPath_;
  std::string outputPath_;
  std::optional<LineCount> count_;
};

}  // namespace cstrip
