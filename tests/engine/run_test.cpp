// Whole runs through RunConversion: what they ask of the window, when they
// yield and stop, the file they leave, and how they fail.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <map>
#include <new>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "fake_window.h"
#include "file_names.h"
#include "input_file.h"
#include "io_thread.h"
#include "output_file.h"
#include "run_conversion.h"
#include "run_error.h"
#include "runs.h"
#include "system_file.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

#ifdef _WIN32
constexpr int kNoSuchFile = ERROR_FILE_NOT_FOUND;
constexpr int kNoSuchFolder = ERROR_PATH_NOT_FOUND;
#else
constexpr int kNoSuchFile = ENOENT;
constexpr int kNoSuchFolder = ENOENT;
#endif

// The system's error code and the description of the RunError the run throws; -1 and
// nothing if it succeeds.
std::pair<int, std::string> failureOf(FakeWindow& window) {
  try {
    RunConversion(window);
  } catch (const RunError& error) {
    return {error.errorNumber(), error.what()};
  }
  return {-1, ""};
}

// What the window does at each yield, or at each or its second idle().
enum AtYield { kGoOn, kToggleOption1, kToggleOption1WhenIdle, kStop, kStopAtSecondIdle };

struct RunCase {
  const char* name;
  bool option3;
  std::string input;
  std::uint64_t skip;
  AtYield atYield;
  std::string expected;
  std::string log;
};

const std::string kEarlier = "an earlier, longer output";  // the output before each run
const std::string k8Lines = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n";
const std::string kManyLines = repeated("a\r\n", 100000);  // more than one buffer
const std::string kNoLineBreak(3 * kIoBufferSize, 'x');

const RunCase kRunCases[] = {
    {"CaseReadsOption1PerLine", false, "Hi\r\nYo", 0, kGoOn, "hi\r\nyo\r\n", "L 1 Y L 2 Y"},
    {"Option1ChangedAtAYieldAppliesFromTheNextLine", false, "aB\r\naB\raB\naB", 0, kToggleOption1,
     "ab\r\nAB\r\nab\nab\r\n", "L 1 Y L 2 Y L 3 Y"},
    {"StripSkipsYields", true, k8Lines, 2, kGoOn, "1\r2\r3\r4\r5\r6\r7\r8\r", "1 Y 4 Y 7 Y 8"},
    {"StripSkipsYieldsOverManyLines", true, kManyLines, 40000, kGoOn, repeated("a\r", 100000),
     "1 Y 40002 Y 80003 Y 100000"},
    {"CaseSkipsYields", false, k8Lines, 2, kGoOn, k8Lines, "L 1 Y L 4 Y L 7 Y L 8"},
    {"Option1IsReadAfterYields", false, k8Lines, UINT64_MAX, kGoOn, k8Lines, "L 1 Y L 8"},
    {"Option1IsReadAfterIdle", false, kManyLines, UINT64_MAX, kGoOn, kManyLines,
     "L 1 Y L L 100000"},
    // The first line after the first buffer's end (262144 = 3 * 87381 + 1).
    {"Option1ChangedWhenIdleAppliesFromTheNextLine", false, kManyLines, UINT64_MAX,
     kToggleOption1WhenIdle, repeated("a\r\n", 87382) + repeated("A\r\n", 12618),
     "L 1 Y L L 100000"},
    {"StripStoppedAtAYieldLeavesTheOutputAsItWas", true, "one\r\ntwo\r\n", 0, kStop, kEarlier,
     "1 Y"},
    {"CaseStoppedAtAYieldLeavesTheOutputAsItWas", false, "one\r\ntwo\r\n", 0, kStop, kEarlier,
     "L 1 Y"},
    // In valid UTF-8 a letter after あ (E3 81 82: 0x82 leads in Shift-JIS) changes.
    {"Utf8", false, "// あA いB 日本C「D」、E", 0, kGoOn, "// あa いb 日本c「d」、e\r\n", "L 1 Y"},
    {"Utf8Bom", false, "\xEF\xBB\xBFあA", 0, kGoOn, "\xEF\xBB\xBFあa\r\n", "L 1 Y"},
    // One byte that is not UTF-8 anywhere makes the whole text Shift-JIS.
    {"Overlong", false, "あA\xC0\xAF", 0, kGoOn, "あA\xC0\xAF\r\n", "L 1 Y"},
    {"Surrogate", false, "あA\xED\xA0\x80", 0, kGoOn, "あA\xED\xA0\x80\r\n", "L 1 Y"},
    {"AboveU10FFFF", false, "あA\xF4\x90\x80\x80", 0, kGoOn, "あA\xF4\x90\x80\x80\r\n", "L 1 Y"},
    {"CutOffAtTheEnd", false, "あA\xE3\x81", 0, kGoOn, "あA\xE3\x81\r\n", "L 1 Y"},
    {"StrayByteFirst", false, "\x80あA", 0, kGoOn, "\x80あA\r\n", "L 1 Y"},
    {"StrayByteLast", false, "あA\xFF", 0, kGoOn, "あA\xFF\r\n", "L 1 Y"},
    // Found in the second buffer, read once: the first is written again as
    // Shift-JIS, where あ's last byte owns the A, with the lines' directions.
    {"StrayByteLateRewritesTheOutputAsShiftJis", false, repeated("あAb\r\n", 60000) + "\xFF", 30000,
     kToggleOption1,
     "あAb\r\n" + repeated("あAB\r\n", 30001) + repeated("あAb\r\n", 29998) + "\xFF\r\n",
     "L 1 Y L 30002 Y L L 60001"},
    {"CaseStoppedWhileRewritingLeavesTheOutputAsItWas", false, "あA\xE3\x81", 0, kStopAtSecondIdle,
     kEarlier, "L"},
    {"StripWithoutLineBreaksStopsWhenIdle", true, kNoLineBreak, 0, kStopAtSecondIdle, kEarlier, ""},
    {"CaseWithoutLineBreaksStopsWhenIdle", false, kNoLineBreak, 0, kStopAtSecondIdle, kEarlier,
     "L"},
};

TEST(RunConversion, AsksTheWindowAndWritesTheOutputAsItShould) {
  for (const RunCase& test : kRunCases) {
    SCOPED_TRACE(test.name);
    TempDir dir;
    FakeWindow window(dir.file("in.c"), dir.file("out.c"));
    writeFile(window.text1, test.input);
    writeFile(window.text2, kEarlier);
    window.option3 = test.option3;
    window.skip = test.skip;
    window.idlesBeforeStop = test.atYield == kStopAtSecondIdle ? 2 : -1;
    window.onYield = [&](FakeWindow& w) {
      if (test.atYield == kToggleOption1) w.option1 = !w.option1;
      return test.atYield != kStop;
    };
    window.onIdle = [&](FakeWindow& w) {
      if (test.atYield == kToggleOption1WhenIdle) w.option1 = !w.option1;
    };
    RunConversion(window);
    EXPECT_EQ(readFile(window.text2), test.expected);
    EXPECT_EQ(window.log, test.log);
    EXPECT_EQ(filesIn(dir.path), 2);  // no temporary file left behind
  }
}

struct FailureCase {
  const char* name;
  // "@" stands for the test's folder. It holds in.c, a folder sub, and
  // hard.c, a hard link to in.c; "%" stands for in.c's path through the
  // folder's short (8.3) name.
  std::string text1;
  std::string text2;
  int errorNumber;          // 0 for the program's own refusals
  std::string description;  // a part of the message the user sees
};

const FailureCase kFailureCases[] = {
    {"EmptyInputPath", "", "@/out.c", 0, "入力ファイルが指定されていません"},
    {"EmptyOutputPath", "@/in.c", "", 0, "出力ファイルが指定されていません"},
    {"MissingInput", "@/none.c", "@/out.c", kNoSuchFile,
     "「@/none.c」を開けません: ファイルまたは"},
    {"InputIsAFolder", "@/sub", "@/out.c", kFolderError, "sub」を開けません: フォルダです"},
    {"OutputIsAFolder", "@/in.c", "@/sub", kFolderError, "sub」を開けません: フォルダです"},
    {"OutputIsTheInput", "@/in.c", "@/in.c", 0, "「@/in.c」は入力ファイルと同じファイルです"},
    {"OutputIsAHardLinkToTheInput", "@/in.c", "@/hard.c", 0, "同じファイル"},
    {"OutputIsTheInputThroughItsParent", "@/in.c", "@/sub/../in.c", 0, "同じファイル"},
    {"Utf16LittleEndian", "@/utf16le.c", "@/out.c", 0, "「@/utf16le.c」は UTF-16 のテキスト"},
    {"Utf16BigEndian", "@/utf16be.c", "@/out.c", 0, "は UTF-16 のテキストです"},
    {"Utf32BigEndian", "@/utf32be.c", "@/out.c", 0, "は UTF-32 のテキストです"},
    {"OutputInAMissingFolder", "@/in.c", "@/none/out.c", kNoSuchFolder,
     "out.c」のフォルダに一時ファイルを作成できません: ファイルまたはフォルダが見つかりません"},
#ifdef _WIN32
    {"OutputIsTheInputWithBackslashes", "@/in.c", "@\\in.c", 0, "同じファイル"},
    {"OutputIsTheInputInCapitals", "@/in.c", "@/IN.C", 0, "同じファイル"},
    {"OutputIsTheInputByItsShortName", "@/in.c", "%", 0, "同じファイル"},
#else
    {"OutputIsASymbolicLinkToTheInput", "@/in.c", "@/link.c", 0, "同じファイル"},
    {"OutputOnAFullDisk", "@/in.c", "/dev/full", ENOSPC, "「/dev/full」に書き込めません: ディスク"},
    // A running program cannot be opened for writing: the check comes first.
    {"OutputIsTheRunningInput", "/proc/self/exe", "/proc/self/exe", 0, "同じファイル"},
#endif
};

// The short (8.3) name of `path`, as Windows makes for a long name; the
// path itself where there is none.
std::string shortName(const std::filesystem::path& path) {
#ifdef _WIN32
  wchar_t name[MAX_PATH];
  const DWORD size = GetShortPathNameW(path.c_str(), name, MAX_PATH);
  if (size > 0 && size < MAX_PATH) return std::filesystem::path(name).string();
#endif
  return path.string();
}

TEST(RunConversion, AFailureNamesTheFileAndReasonAndLeavesTheInputIntact) {
  const std::string input = "int a; /* \x83\x52\x83\x81 */\r\nA\n";
  for (const auto& test : kFailureCases) {
    for (const char* mode : {"strip", "strip-c", "case"}) {
      SCOPED_TRACE(test.name + std::string(" ") + mode);
      TempDir dir;
      writeFile(dir.file("in.c"), input);
      std::filesystem::create_directory(dir.path / "sub");
      std::filesystem::create_hard_link(dir.file("in.c"), dir.file("hard.c"));
#ifndef _WIN32
      std::filesystem::create_symlink(dir.file("in.c"), dir.file("link.c"));
#endif
      writeFile(dir.file("utf16le.c"), std::string("\xFF\xFE"
                                                   "a\0",
                                                   4));
      writeFile(dir.file("utf16be.c"), std::string("\xFE\xFF\0"
                                                   "a",
                                                   4));
      writeFile(dir.file("utf32be.c"), std::string("\0\0\xFE\xFF\0\0\0"
                                                   "a",
                                                   8));
      const auto inDir = [&](const std::string& text) {
        if (text == "%") return shortName(dir.file("in.c"));
        return std::regex_replace(text, std::regex("@"), dir.path.string());
      };
      FakeWindow window(inDir(test.text1), inDir(test.text2));
      window.option3 = mode == std::string("strip");
      window.option4 = mode == std::string("strip-c");
      const auto [errorNumber, what] = failureOf(window);
      EXPECT_EQ(errorNumber, test.errorNumber);
      EXPECT_THAT(what, ::testing::HasSubstr(inDir(test.description)));
      EXPECT_EQ(readFile(dir.file("in.c")), input);
      EXPECT_FALSE(std::filesystem::exists(dir.file("out.c")));  // not after a failed input
    }
  }
}

TEST(RunConversion, AFailurePartWayLeavesTheOutputAsItWas) {
  for (const int option : {3, 4, 1}) {
    TempDir dir;
    FakeWindow window(dir.file("in.c"), dir.file("out.c"));
    writeFile(window.text1, repeated("a\r\n", 200000));
    writeFile(window.text2, kEarlier);
    window.option3 = option == 3;
    window.option4 = option == 4;
    int yields = 0;
    window.onYield = [&](FakeWindow&) {
      if (++yields == 190000) throw std::bad_alloc();  // well past the first buffer written
      return true;
    };
    EXPECT_EQ(failureOf(window).first, kNoMemoryError);
    EXPECT_EQ(readFile(window.text2), kEarlier);
    EXPECT_EQ(filesIn(dir.path), 2);
  }
}

TEST(RunConversion, AnInputCutShortBeforeTheCaseRunReadsItAgainIsReported) {
  TempDir dir;
  FakeWindow window(dir.file("in.c"), dir.file("out.c"));
  // UTF-8 until a character cut off at the end, found when the file has
  // been read: what was converted is read again, from a file cut short.
  writeFile(window.text1, repeated("あAb\r\n", 60000) + "\xE3\x81");
  window.onIdle = [&](FakeWindow&) { std::filesystem::resize_file(window.text1, 10); };
  EXPECT_EQ(failureOf(window).first, kFileCutShortError);
  EXPECT_EQ(filesIn(dir.path), 1);
}

TEST(RunConversion, Option4StripsAsCReadsAndTellsWhereAnOpenCommentStarts) {
  struct {
    const char* name;
    std::string input;
    std::string expected;
    LineCount openComment;
  } const kCases[] = {
      // Not C++: `"x("` is a string, and the quote after `)x` opens one.
      {"in.c", "a/**/b\r\nR\"x(\")x\" /* x\r\n", "a b\r\nR\"x(\")x\" /* x\r\n", 0},
      {"in.CPP", "a/**/b\r\nR\"x(\")x\" /* x\r\n", "a b\r\nR\"x(\")x\"", 2},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    TempDir dir;
    FakeWindow window(dir.file(test.name), dir.file("out.c"));
    writeFile(window.text1, test.input);
    window.option4 = true;
    RunConversion(window);
    EXPECT_EQ(readFile(window.text2), test.expected);
    EXPECT_EQ(window.log, "1 Y 2 Y");
    EXPECT_EQ(window.openComment, test.openComment);
  }
}

TEST(RunConversion, Option4StartsItsOutputOverWhenTheTextTurnsOutShiftJisLate) {
  // UTF-8 for over a buffer: read as Shift-JIS, the backslash belongs to
  // the character before it, the string closes there and the comment after
  // it goes, so the output is much shorter than the one written first.
  const std::string input =
      repeated("x;\"\xE3\x81\x82\\\" /* " + std::string(40, '-') + " */ \"\r\n", 15000) + "\xFF";
  TempDir dir;
  FakeWindow window(dir.file("in.c"), dir.file("out.c"));
  writeFile(window.text1, input);
  window.option4 = true;
  RunConversion(window);
  EXPECT_EQ(readFile(window.text2), stripCByteByByte({input}, {TextEncoding::ShiftJis}).output);
}

const std::string kOriginal = "AbC /* x */", kConverted = "abc /* x */\r\n";

// A folder's entries by name, as "NAME=WHAT NAME=WHAT…": WHAT is O or C for
// a file that holds kOriginal or kConverted, else the file's bytes; ">TARGET"
// for a symbolic link, "/" for a folder, "|" for anything else (a FIFO).
std::string entriesOf(const std::filesystem::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const auto status = entry.symlink_status();
    std::string& what = entries[entry.path().filename().string()];
    what = is_symlink(status)        ? ">" + read_symlink(entry.path()).string()
           : is_directory(status)    ? "/"
           : is_regular_file(status) ? readFile(entry.path())
                                     : "|";
    what = what == kOriginal ? "O" : what == kConverted ? "C" : what;
  }
  std::string text;
  for (const auto& [name, what] : entries) text += (text.empty() ? "" : " ") + name + "=" + what;
  return text;
}

// Makes in `folder` the entries that entriesOf() would show.
void make(const std::filesystem::path& folder, const std::string& entries) {
  std::istringstream words(entries);
  for (std::string word; words >> word;) {
    const std::filesystem::path name = folder / word.substr(0, word.find('='));
    const std::string what = word.substr(word.find('=') + 1);
    if (what == "/") {
      std::filesystem::create_directory(name);
    } else if (what.starts_with(">")) {
      std::filesystem::create_symlink(what.substr(1), name);
#ifndef _WIN32
    } else if (what == "|") {
      ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
#endif
    } else {
      writeFile(name, what == "O" ? kOriginal : what == "C" ? kConverted : what);
    }
  }
}

TEST(RunConversion, InPlaceReplacesTheNameOnlyAndKeepsABackupOrTheFileAsItWas) {
  struct {
    const char* name;
    const char* named;   // converted in place
    const char* suffix;  // the backup's
    const char* before;  // the folder's entries (see entriesOf); in.c and hard.c are one file
    bool folderAtBackupDuringTheRun;
    const char* failure;  // words of the message; none when the run succeeds
    const char* after;
  } const kCases[] = {
      {"AHardLinkedFileChangesUnderThatNameOnly", "in.c", "", "", false, nullptr,
       "hard.c=O in.c=C"},
      {"ABackupHoldsTheOriginalInPlaceOfAnOlderOne", "in.c", ".bak", "in.c.bak=older", false,
       nullptr, "hard.c=O in.c=C in.c.bak=O"},
      {"ABackupNameThatIsAFolderIsRefused", "in.c", ".bak", "in.c.bak=/", false,
       "バックアップ「@/in.c.bak」を作成できません: フォルダです", "hard.c=O in.c=O in.c.bak=/"},
      {"ABackupThatCannotBeMadeAtTheEndFailsTheRun", "in.c", ".bak", "", true,
       "バックアップ「@/in.c.bak」を作成できません", "hard.c=O in.c=O in.c.bak=/"},
#ifndef _WIN32
      {"ALinkIsReplacedByAFileAndWhereItLeadsIsKept", "link.c", "", "link.c=>in.c", false, nullptr,
       "hard.c=O in.c=O link.c=C"},
      {"ALinksBackupIsTheLinkItself", "link.c", "~", "link.c=>in.c", false, nullptr,
       "hard.c=O in.c=O link.c=C link.c~=>in.c"},
      // Replacing the file by the link that leads to it would lose its text.
      {"ABackupNameThatALinkAtTheNameLeadsToIsRefused", "in", ".c", "in=>in.c", false,
       "「@/in.c」は入力ファイルと同じファイル", "hard.c=O in=>in.c in.c=O"},
      {"AFifoIsRefused", "fifo", "", "fifo=|", false, "「@/fifo」は通常のファイルではない",
       "fifo=| hard.c=O in.c=O"},
#endif
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    TempDir dir;
    writeFile(dir.file("in.c"), kOriginal);
#ifndef _WIN32
    std::filesystem::permissions(dir.file("in.c"), std::filesystem::perms(0662));  // not umasked
#endif
    std::filesystem::create_hard_link(dir.file("in.c"), dir.file("hard.c"));
    make(dir.path, test.before);
    const std::string named = dir.path.string() + "/" + test.named;
    FakeWindow window(named, "");
    window.rules.inPlace = true;
    window.rules.backupSuffix = std::filesystem::path(test.suffix).native();
    window.onYield = [&](FakeWindow&) {
      if (test.folderAtBackupDuringTheRun) std::filesystem::create_directory(named + test.suffix);
      return true;
    };
    const std::string what = failureOf(window).second;
    // A refusal comes before anything is converted.
    EXPECT_EQ(window.log.empty(), test.failure != nullptr && !test.folderAtBackupDuringTheRun);
    if (test.failure == nullptr) {
      EXPECT_EQ(what, "");
#ifndef _WIN32
      EXPECT_EQ(std::filesystem::status(named).permissions(), std::filesystem::perms(0662));
#endif
    } else {
      EXPECT_THAT(what, ::testing::HasSubstr(
                            std::regex_replace(test.failure, std::regex("@"), dir.path.string())));
    }
    EXPECT_EQ(entriesOf(dir.path), test.after);  // no temporary file left either
  }
}

#ifndef _WIN32
// A file with an access ACL shows the ACL's mask as its group bits; a copy
// has no ACL, so its owning group gets no more than the ACL gave it.
TEST(RunConversion, ACopyGivesTheGroupNoMoreThanTheInputsAcl) {
  TempDir dir;
  writeFile(dir.file("in.c"), "a");
  std::filesystem::permissions(dir.file("in.c"), std::filesystem::perms(0640));
  // user::rw- user:65534:r-- group::--- mask::r-- other::---, little-endian.
  const unsigned char acl[] = {2, 0,   0,   0,   1,   0,   6,  0, 255, 255, 255, 255, 2,   0,  4,
                               0, 254, 255, 0,   0,   4,   0,  0, 0,   255, 255, 255, 255, 16, 0,
                               4, 0,   255, 255, 255, 255, 32, 0, 0,   0,   255, 255, 255, 255};
  if (::setxattr(dir.file("in.c").c_str(), "system.posix_acl_access", acl, sizeof acl, 0) != 0) {
    GTEST_SKIP() << "no ACLs here";
  }
  for (const char* output : {"new.c", "in.c"}) {
    SCOPED_TRACE(output);
    FakeWindow window(dir.file("in.c"), dir.file(output));
    window.rules.inPlace = output == std::string("in.c");
    EXPECT_EQ(failureOf(window).second, "");
    EXPECT_EQ(
        std::filesystem::status(dir.file(output)).permissions() & std::filesystem::perms::group_all,
        std::filesystem::perms::none);
  }
}

TEST(RunConversion, AWriteThatFailsPartWayIsReported) {
  for (const int option : {3, 4, 1}) {
    TempDir dir;
    FakeWindow window(dir.file("in.c"), "/dev/full");
    writeFile(window.text1, repeated("x;\n", 200000));  // more than the output's buffer
    window.option3 = option == 3;
    window.option4 = option == 4;
    EXPECT_EQ(failureOf(window).first, ENOSPC) << "Option" << option;
  }
}

#ifndef _WIN32
TEST(RunConversion, AFileWriteThatFailsPartWayIsReportedAndLeavesNothing) {
  // Past ulimit -f a write fails with EFBIG, also one written behind: the
  // limit is lifted once the output is past it, so that the writes after
  // the failure succeed, and only the failure's own report stops the run.
  TempDir dir;
  const std::string input =
      repeated("x = y; /* a comment */ s = \"\\n\"; // and one more\n", 100000);
  for (const int option : {4, 1}) {
    SCOPED_TRACE(option);
    FakeWindow window(dir.file("in.c"), dir.file("out.c"));
    writeFile(window.text1, input);
    writeFile(window.text2, kEarlier);
    window.option4 = option == 4;
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    limit.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    int yields = 0;
    window.onYield = [&](FakeWindow&) {
      if (++yields == 90000) ::setrlimit(RLIMIT_FSIZE, &before);  // well past 1 MiB out
      return true;
    };
    const int failure = failureOf(window).first;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);
    EXPECT_EQ(failure, EFBIG);
    EXPECT_TRUE(readFile(window.text2) == kEarlier);
    EXPECT_EQ(filesIn(dir.path), 2);
  }
}
#endif

TEST(RunConversion, AWalkedInputIsRefusedUnlessStillARegularFile) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo.c").c_str(), 0600), 0);  // no writer: opening would wait
  writeFile(dir.file("in.c"), "a\n");
  std::filesystem::create_symlink("in.c", dir.file("link.c"));
  for (const char* name : {"fifo.c", "link.c"}) {
    SCOPED_TRACE(name);
    FakeWindow window(dir.file(name), dir.file("out.c"));
    window.rules.walkedInput = true;
    EXPECT_THAT(failureOf(window).second, ::testing::HasSubstr("通常のファイルではなくなった"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.c")));
  }
}

TEST(StandardStreams, OneClosedAtStartIsHeldSoThatNoFileTakesItsNumber) {
  const int saved = ::dup(STDERR_FILENO);
  ::close(STDERR_FILENO);
  guardStandardStreams();
  TempDir dir;
  writeFile(dir.file("in.c"), "a\n");
  const int opened = ::open(dir.file("in.c").c_str(), O_RDONLY);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ::close(opened);
  EXPECT_NE(opened, STDERR_FILENO);
}

TEST(RunConversion, AFifoIsWrittenAsAStreamKeepingWhatWasWrittenWhenStopped) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  FakeWindow window(dir.file("in.c"), dir.file("fifo"));
  writeFile(window.text1, "one\r\ntwo\r\n");
  window.onYield = [](FakeWindow&) { return false; };
  std::string received;
  std::thread reader([&] { received = readFile(dir.file("fifo")); });
  RunConversion(window);
  reader.join();
  EXPECT_EQ(received, "one\r\n");
  EXPECT_EQ(filesIn(dir.path), 2);
}
#endif

#ifdef _WIN32
TEST(FileNames, ShowEveryPathAsItsText) {
  EXPECT_EQ(displayPath(L"C:\\a/日本\\語.c"), "C:\\a/日本\\語.c");
  EXPECT_EQ(displayPath(L"a\nb\t\x1B[1m\x9B.c"), "a\\nb\\t\\033[1m\\302\\233.c");
  EXPECT_EQ(displayPath(pathFromText("C:/日本/語.c")), "C:/日本/語.c");
}
#else
TEST(FileNames, FindCp932NamesAndShowEveryPathReadably) {
  const std::string sjisFolder = "\x93\xfa\x96\x7b", sjisFile = "\x8c\xea.c";  // 日本, 語.c
  EXPECT_EQ(displayPath("a/日本/語.c"), "a/日本/語.c");
  EXPECT_EQ(displayPath("a/" + sjisFolder + "/" + sjisFile), "a/日本/語.c");
  EXPECT_EQ(displayPath("a/\xFF\xFE.c"), "a/\\xFF\\xFE.c");
  EXPECT_EQ(displayPath("a\nb\t\x1B[1m\xC2\x9B.c"), "a\\nb\\t\\033[1m\\302\\233.c");
  TempDir dir;
  std::filesystem::create_directory(dir.path / sjisFolder);
  writeFile(dir.file(sjisFolder + "/" + sjisFile), "x");
  EXPECT_EQ(findFile(dir.file("日本/語.c")), dir.file(sjisFolder + "/" + sjisFile));
  EXPECT_EQ(findFile(dir.file("日本/新.c")), dir.file(sjisFolder + "/新.c"));
  EXPECT_EQ(findFile(dir.file("none/語.c")), dir.file("none/語.c"));
}
#endif

TEST(InputFile, ReadsEveryByteOnceInOrderThoughReadAheadAndFromAnyPointAgain) {
  std::string bytes(4 * kIoBufferSize + 100, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  TempDir dir;
  writeFile(dir.file("in"), bytes);
  struct {
    const char* name;
    bool peek;             // peeks before the first read
    int readsThenRewind;   // reads, then rewinds, before reading all
    std::uint64_t readAt;  // reads from here on again after the first read
  } const kCases[] = {
      {"Plain", false, 0, 0},
      {"Peeked", true, 0, 3 * kIoBufferSize - 1},
      {"RewoundWhileReadAhead", false, 2, 0},
      {"RewoundAfterTheEnd", true, 6, kIoBufferSize + 1},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    IoThread io;
    InputFile input(io, dir.file("in"));
    if (test.peek) {
      EXPECT_EQ(input.peek().size(), kIoBufferSize);
    }
    for (int i = 0; i < test.readsThenRewind; ++i) input.read();
    if (test.readsThenRewind > 0) input.rewind();
    std::string read;
    for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
      read.append(chunk.data(), chunk.size());
      if (read.size() == kIoBufferSize) {
        std::string again(bytes.size(), '\0');
        again.resize(input.readAt(test.readAt, again));
        EXPECT_EQ(again, bytes.substr(test.readAt));
      }
    }
    EXPECT_EQ(read.size(), bytes.size());
    EXPECT_TRUE(read == bytes);
  }
}

TEST(OutputFile, KeepsEveryByteInOrderWhateverTheSpanSizesWrittenBehindOrNot) {
  TempDir dir;
  IoThread io;
  struct {
    std::size_t bufferSize;
    bool behind;
  } const kCases[] = {{16, false}, {64, false}, {16, true}, {64, true}};
  for (const auto& [bufferSize, behind] : kCases) {
    SCOPED_TRACE(behind ? "behind" : "at once");
    if (behind) io.post([] {});  // a task ahead of the writes, as a read ahead would be
    OutputFile output(dir.file("out"), FileIdentity{}, FileAccess{}, {}, bufferSize,
                      behind ? &io : nullptr);
    std::string expected;
    for (std::size_t i = 0; i < 300; ++i) {
      // Mostly small spans, which go through the buffer, some large ones.
      const std::string span(i % 11 == 0 ? 40 : 1 + i * 7 % 15, static_cast<char>('a' + i % 26));
      if (i % 5 == 0) output.put('|');
      output.write(span);
      expected += (i % 5 == 0 ? "|" : "") + span;
    }
    output.commit();
    EXPECT_EQ(readFile(dir.file("out")), expected) << "buffer of " << bufferSize;
  }
}

TEST(OutputFile, InPlaceRefusesANameThatNowNamesAnotherFileThanTheOneOpened) {
  TempDir dir;
  writeFile(dir.file("in.c"), "a");
  writeFile(dir.file("opened.c"), "b");  // as if in.c had been renamed here since it was opened
  const auto opened = SystemFile::identityOf(dir.file("opened.c"));
  try {
    OutputFile output(dir.file("in.c"), opened.value(), FileAccess{}, OutputRules{false, true, {}});
    ADD_FAILURE() << "not refused";
  } catch (const RunError& error) {
    EXPECT_EQ(error.failure(), Failure::ChangedInPlace);
  }
  EXPECT_EQ(entriesOf(dir.path), "in.c=a opened.c=b");
}

}  // namespace
}  // namespace cstrip::testing
