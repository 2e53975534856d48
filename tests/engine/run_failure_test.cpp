#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "command3_click.h"
#include "fake_window.h"
#include "run_error.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

namespace fs = std::filesystem;

const std::string kInput = "int a; /* \x83\x52\x83\x81\x83\x93\x83\x67 */\r\nA\n";

struct FailureCase {
  std::string name;
  // Given the folder holding in.c, sets up the files and returns Text1 and Text2.
  std::function<std::pair<std::string, std::string>(const TempDir&)> setUp;
  int errorNumber;          // 0 for the program's own refusals
  std::string description;  // a part of the message the user sees
};

std::string inC(const TempDir& dir) {
  return dir.file("in.c");
}

const FailureCase kFailureCases[] = {
    {"EmptyInputPath",
     [](const TempDir& d) {
       return std::pair{"", d.file("out.c")};
     },
     0, "入力ファイルが指定されていません"},
    {"EmptyOutputPath",
     [](const TempDir& d) {
       return std::pair{inC(d), std::string()};
     },
     0, "出力ファイルが指定されていません"},
    {"MissingInput",
     [](const TempDir& d) {
       return std::pair{d.file("none.c"), d.file("out.c")};
     },
     ENOENT, "none.c」を開けません: ファイルまたはフォルダが見つかりません"},
    {"InputIsAFolder",
     [](const TempDir& d) {
       return std::pair{d.path().string(), d.file("out.c")};
     },
     EISDIR, "」を開けません: フォルダです"},
    {"OutputInAMissingFolder",
     [](const TempDir& d) {
       return std::pair{inC(d), d.file("no/out.c")};
     },
     ENOENT, "出力ファイル「"},
    {"OutputIsAFolder",
     [](const TempDir& d) {
       return std::pair{inC(d), d.path().string()};
     },
     EISDIR, "を開けません: フォルダです"},
    {"OutputOnAFullDisk",
     [](const TempDir& d) {
       return std::pair{inC(d), std::string("/dev/full")};
     },
     ENOSPC, "出力ファイル「/dev/full」に書き込めません: ディスクの空き容量が不足しています"},
    {"OutputIsTheInput",
     [](const TempDir& d) {
       return std::pair{inC(d), inC(d)};
     },
     0, "は入力ファイルと同じファイルです"},
    {"OutputIsTheInputThroughDot",
     [](const TempDir& d) {
       return std::pair{inC(d), (d.path() / "." / "in.c").string()};
     },
     0, "同じファイル"},
    {"OutputIsTheInputThroughDotDot",
     [](const TempDir& d) {
       fs::create_directory(d.path() / "sub");
       return std::pair{inC(d), (d.path() / "sub" / ".." / "in.c").string()};
     },
     0, "同じファイル"},
    {"OutputIsTheInputByARelativePath",
     [](const TempDir& d) {
       return std::pair{inC(d), fs::relative(inC(d)).string()};
     },
     0, "同じファイル"},
    {"OutputIsASymbolicLinkToTheInput",
     [](const TempDir& d) {
       fs::create_symlink(inC(d), d.file("link.c"));
       return std::pair{inC(d), d.file("link.c")};
     },
     0, "同じファイル"},
    {"OutputIsAHardLinkToTheInput",
     [](const TempDir& d) {
       fs::create_hard_link(inC(d), d.file("hard.c"));
       return std::pair{inC(d), d.file("hard.c")};
     },
     0, "同じファイル"},
};

TEST(Command3ClickFailure, ReportsTheFileAndReasonAndLeavesTheInputIntact) {
  for (const auto& test : kFailureCases) {
    for (const bool option3 : {true, false}) {
      SCOPED_TRACE(test.name + (option3 ? " strip" : " case"));
      TempDir dir;
      writeFile(inC(dir), kInput);
      FakeWindow window;
      window.option3 = option3;
      std::tie(window.text1, window.text2) = test.setUp(dir);
      try {
        Command3_Click(window);
        ADD_FAILURE() << "the run did not fail";
      } catch (const RunError& error) {
        EXPECT_EQ(error.errorNumber(), test.errorNumber);
        EXPECT_NE(std::string(error.what()).find(test.description), std::string::npos)
            << error.what();
      }
      EXPECT_EQ(readFile(inC(dir)), kInput);
    }
  }
}

TEST(Command3ClickFailure, AFailedInputCreatesNoOutput) {
  TempDir dir;
  FakeWindow window;
  window.text1 = dir.file("none.c");
  window.text2 = dir.file("out.c");
  EXPECT_THROW(Command3_Click(window), RunError);
  EXPECT_FALSE(fs::exists(window.text2));
}

}  // namespace
}  // namespace cstrip::testing
