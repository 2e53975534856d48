#include <gtest/gtest.h>

#include <string>

#include "input_file.h"
#include "output_file.h"
#include "temp_dir.h"

namespace cstrip::testing {
namespace {

constexpr char kBytes[] = "0123456789\r\nabcdefghij\x83\x41\x00\xff-end";
const std::string kContent(kBytes, sizeof kBytes - 1);

TEST(InputFile, ReadsTheWholeFileWhateverTheBufferSize) {
  TempDir dir;
  writeFile(dir.file("in"), kContent);
  for (std::size_t size = 1; size <= kContent.size() + 1; ++size) {
    SCOPED_TRACE(size);
    InputFile input(dir.file("in"), size);
    std::string read;
    for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
      EXPECT_LE(chunk.size(), size);
      read.append(chunk.begin(), chunk.end());
    }
    EXPECT_EQ(read, kContent);
  }
}

TEST(OutputFile, WritesBytesAndSpansInOrderWhateverTheBufferSize) {
  TempDir dir;
  writeFile(dir.file("in"), "");
  for (std::size_t size = 1; size <= 8; ++size) {
    SCOPED_TRACE(size);
    InputFile input(dir.file("in"));
    OutputFile output(dir.file("out"), input, size);
    std::string expected;
    for (std::size_t length = 0; length <= 9; ++length) {
      output.put('<');
      output.write(kContent.substr(0, length));
      expected += "<" + kContent.substr(0, length);
    }
    output.close();
    EXPECT_EQ(readFile(dir.file("out")), expected);
  }
}

}  // namespace
}  // namespace cstrip::testing
