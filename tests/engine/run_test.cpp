#include <gtest/gtest.h>

#include <string>

#include "command3_click.h"
#include "fake_window.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

class Command3ClickTest : public ::testing::Test {
 protected:
  Command3ClickTest() {
    window.text1 = dir.file("in.c");
    window.text2 = dir.file("out.c");
  }
  std::string output() const { return readFile(window.text2); }

  TempDir dir;
  FakeWindow window;
};

TEST_F(Command3ClickTest, Option3ChoosesTheStripRunWhateverOption1Says) {
  writeFile(window.text1, "A/*x*/b\r\n");
  for (const bool option1 : {true, false}) {
    window.option3 = true;
    window.option1 = option1;
    EXPECT_EQ(Command3_Click(window), RunOutcome::Completed);
    EXPECT_EQ(output(), "Ab\r");
  }
}

TEST_F(Command3ClickTest, CaseRunCountsLinesWrittenAndYieldsAfterEach) {
  writeFile(window.text1, "Hello\r\nWorld");
  EXPECT_EQ(Command3_Click(window), RunOutcome::Completed);
  EXPECT_EQ(output(), "hello\r\nworld\r\n");
  const std::vector<std::string> expected = {"option1", "count 1", "yield",
                                             "option1", "count 2", "yield"};
  EXPECT_EQ(window.log, expected);
}

TEST_F(Command3ClickTest, NothingCountedLeavesTheCountAlone) {
  writeFile(window.text1, "");
  for (const bool option3 : {true, false}) {
    window.option3 = option3;
    EXPECT_EQ(Command3_Click(window), RunOutcome::Completed);
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(output(), "");
  }
}

TEST_F(Command3ClickTest, Option1ChangedDuringAYieldAppliesFromTheNextLine) {
  writeFile(window.text1, "aB\r\naB\raB\naB");
  window.onYield = [](FakeWindow& w) {
    w.option1 = !w.option1;
    return true;
  };
  Command3_Click(window);
  EXPECT_EQ(output(), "ab\r\nAB\r\nab\nab\r\n");
}

TEST_F(Command3ClickTest, AnEmptiedOutputHoldsOnlyTheNewText) {
  writeFile(window.text1, "X");
  writeFile(window.text2, "a much longer earlier content");
  for (const bool option3 : {true, false}) {
    window.option3 = option3;
    Command3_Click(window);
    EXPECT_EQ(output(), option3 ? "X" : "x\r\n");  // Option1 is set: lower case
  }
}

TEST_F(Command3ClickTest, StopAtAYieldEndsTheRunWithItsOutputFlushed) {
  writeFile(window.text1, "one\r\ntwo\r\nthree\r\n");
  window.onYield = [](FakeWindow&) { return false; };
  for (const bool option3 : {true, false}) {
    SCOPED_TRACE(option3);
    window.option3 = option3;
    window.yields = 0;
    EXPECT_EQ(Command3_Click(window), RunOutcome::Stopped);
    EXPECT_EQ(window.yields, 1);
    EXPECT_EQ(output(), option3 ? "one\r" : "one\r\n");
  }
}

TEST_F(Command3ClickTest, SkippedYieldsLeaveOutTheirCountsButNotTheFinalOne) {
  writeFile(window.text1, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n");
  window.skip = 2;
  for (const bool option3 : {true, false}) {
    SCOPED_TRACE(option3);
    window.option3 = option3;
    window.counts.clear();
    window.yields = 0;
    Command3_Click(window);
    EXPECT_EQ(window.counts, (std::vector<LineCount>{1, 4, 7, 8}));
    EXPECT_EQ(window.yields, 3);
  }
}

TEST_F(Command3ClickTest, Option1IsReadAgainOnlyAfterAYieldMade) {
  writeFile(window.text1, "aB\r\naB\r\naB\r\naB\r\naB\r\naB\r\n");
  window.skip = 2;
  window.onYield = [](FakeWindow& w) {
    w.option1 = !w.option1;
    return true;
  };
  Command3_Click(window);
  EXPECT_EQ(output(), "ab\r\nAB\r\nAB\r\nAB\r\nab\r\nab\r\n");
}

TEST_F(Command3ClickTest, AnInputWithoutLineBreaksStillLetsTheWindowStopTheRun) {
  writeFile(window.text1, std::string(3 * 1024 * 1024, 'x'));
  window.onIdle = [](FakeWindow& w) { return w.idles < 2; };
  for (const bool option3 : {true, false}) {
    SCOPED_TRACE(option3);
    window.option3 = option3;
    window.idles = 0;
    EXPECT_EQ(Command3_Click(window), RunOutcome::Stopped);
    EXPECT_EQ(window.yields, 0);
    EXPECT_LT(output().size(), 3u * 1024 * 1024);
  }
}

}  // namespace
}  // namespace cstrip::testing
