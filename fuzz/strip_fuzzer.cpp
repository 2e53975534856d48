// The fast comment stripper against the byte-by-byte stepper.

#include <string>

#include "chunks.h"
#include "comment_stripper.h"
#include "fast_comment_stripper.h"

namespace {

struct Out {
  std::string& text;
  void put(char ch) { text.push_back(ch); }
  void write(std::span<const char> bytes) { text.append(bytes.begin(), bytes.end()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using cstrip::CommentStripper;
  const auto chunks = chunksOf(data, size);

  std::string expected;
  int expectedLfs = 0;
  CommentStripper stepper;
  for (const auto& chunk : chunks) {
    for (const char ch : chunk) {
      const int written = stepper.step(static_cast<unsigned char>(ch));
      if (written != CommentStripper::kEmpty) expected.push_back(static_cast<char>(written));
      expectedLfs += ch == '\n';
    }
  }
  if (const int written = stepper.finish(); written != CommentStripper::kEmpty) {
    expected.push_back(static_cast<char>(written));
  }

  std::string actual;
  int actualLfs = 0;
  Out out{actual};
  cstrip::FastCommentStripper fast;
  for (const auto& chunk : chunks) fast.feed(chunk, out, [&] { return ++actualLfs > 0; });
  if (const int written = fast.finish(); written != CommentStripper::kEmpty) {
    actual.push_back(static_cast<char>(written));
  }

  if (actual != expected || actualLfs != expectedLfs) __builtin_trap();
  return 0;
}
