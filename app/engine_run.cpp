// engine-run MODE INPUT OUTPUT: one run of the engine without the window.
// Prints the count box's final text (nothing if the run never counted) and
// exits 0, or prints the error's description to stderr and exits 1.
// Reads no locale and no environment.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "run_conversion.h"
#include "run_error.h"

namespace {

// The window operations without a window: fixed paths and mode, a
// remembered count, a yield that does nothing.
class ConsoleWindow : public cstrip::WindowOperations {
 public:
  ConsoleWindow(const std::string& mode, std::string inputPath, std::string outputPath)
      : mode_(mode), inputPath_(std::move(inputPath)), outputPath_(std::move(outputPath)) {}

  std::string inputPath() override { return inputPath_; }
  std::string outputPath() override { return outputPath_; }
  bool commentModeChosen() override { return mode_ == "strip"; }
  bool lowerCaseChosen() override { return mode_ == "lower"; }
  void showCount(cstrip::LineCount count) override { count_ = count; }
  bool yield() override { return true; }
  // The yield does nothing, so every one may be left out; the run still
  // shows its final count.
  std::uint64_t yieldsToSkip() override { return UINT64_MAX; }

  std::optional<cstrip::LineCount> count() const { return count_; }

 private:
  std::string mode_;
  std::string inputPath_;
  std::string outputPath_;
  std::optional<cstrip::LineCount> count_;
};

bool isMode(const std::string& name) {
  return name == "strip" || name == "lower" || name == "upper";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || !isMode(argv[1])) {
    std::fputs("usage: engine-run strip|lower|upper INPUT OUTPUT\n", stderr);
    return 2;
  }
  ConsoleWindow window(argv[1], argv[2], argv[3]);
  try {
    cstrip::RunConversion(window);
  } catch (const cstrip::RunError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  if (const auto count = window.count()) {
    std::printf("%s\n", cstrip::formatLineCount(*count).c_str());
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "標準出力に書き込めません: %s\n",
                 cstrip::describeSystemError(errno, cstrip::Language::Japanese).c_str());
    return 1;
  }
  return 0;
}
