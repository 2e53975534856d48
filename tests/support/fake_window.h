#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "window_operations.h"

namespace cstrip::testing {

// Window operations with settable controls, recording what a run asks for.
struct FakeWindow : WindowOperations {
  FakeWindow(std::filesystem::path in, std::filesystem::path out)
      : text1(std::move(in)), text2(std::move(out)) {}

  std::filesystem::path text1;
  std::filesystem::path text2;
  bool option1 = true;
  bool option3 = false;
  bool option4 = false;
  std::uint64_t skip = 0;                    // what yieldsToSkip() answers
  std::function<bool(FakeWindow&)> onYield;  // false asks the run to stop
  int idlesBeforeStop = -1;                  // idle() asks to stop when it reaches 0
  std::function<void(FakeWindow&)> onIdle;
  FileRules rules;
  LineCount openComment = 0;  // what unterminatedComment() was told
  std::string log;            // a word per call: "L" reading Option1, a count shown, "Y" a yield

  std::filesystem::path inputPath() override { return text1; }
  std::filesystem::path outputPath() override { return text2; }
  bool commentModeChosen() override { return option3; }
  bool cCommentModeChosen() override { return option4; }
  bool lowerCaseChosen() override { return note("L"), option1; }
  void showCount(LineCount count) override { note(formatLineCount(count)); }
  bool yield() override { return note("Y"), !onYield || onYield(*this); }
  std::uint64_t yieldsToSkip() override { return skip; }
  bool idle() override {
    if (onIdle) onIdle(*this);
    return --idlesBeforeStop != 0;
  }
  FileRules fileRules() override { return rules; }
  void unterminatedComment(LineCount line) override { openComment = line; }
  void note(const std::string& word) { log += (log.empty() ? "" : " ") + word; }
};

}  // namespace cstrip::testing
