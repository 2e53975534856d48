#pragma once

#include <functional>
#include <string>
#include <vector>

#include "window_operations.h"

namespace cstrip::testing {

// Window operations that record what the run asked for, in order.
class FakeWindow : public WindowOperations {
 public:
  std::string text1;
  std::string text2;
  bool option1 = true;
  bool option3 = false;
  // Called at each yield; returning false asks the run to stop.
  std::function<bool(FakeWindow&)> onYield;

  // "option1", "count N" and "yield", one entry per call.
  std::vector<std::string> log;
  std::vector<LineCount> counts;
  int yields = 0;
  int idles = 0;
  // What yieldsToSkip() answers.
  std::uint64_t skip = 0;
  // Called at each idle(); returning false asks the run to stop.
  std::function<bool(FakeWindow&)> onIdle;

  std::string inputPath() override { return text1; }
  std::string outputPath() override { return text2; }
  bool commentModeChosen() override { return option3; }
  bool lowerCaseChosen() override {
    log.push_back("option1");
    return option1;
  }
  void showCount(LineCount count) override {
    log.push_back("count " + formatLineCount(count));
    counts.push_back(count);
  }
  bool yield() override {
    log.push_back("yield");
    ++yields;
    return onYield ? onYield(*this) : true;
  }
  std::uint64_t yieldsToSkip() override { return skip; }
  bool idle() override {
    ++idles;
    return onIdle ? onIdle(*this) : true;
  }
};

}  // namespace cstrip::testing
