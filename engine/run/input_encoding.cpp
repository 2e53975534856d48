#include "input_encoding.h"

#include <string_view>

#include "run_error.h"
#include "utf8_validator.h"

namespace cstrip {

namespace {

// The name of the encoding whose byte order mark `head` starts with, if it
// is one the program cannot handle.
const char* unsupportedEncoding(std::string_view head) {
  using namespace std::string_view_literals;
  if (head.starts_with("\x00\x00\xFE\xFF"sv) || head.starts_with("\xFF\xFE\x00\x00"sv)) {
    return "UTF-32";
  }
  if (head.starts_with("\xFF\xFE"sv) || head.starts_with("\xFE\xFF"sv)) return "UTF-16";
  return nullptr;
}

}  // namespace

std::optional<TextEncoding> examineInput(InputFile& input, bool decide, bool later) {
  const std::span<const char> head = input.peek();
  if (const char* name = unsupportedEncoding({head.data(), head.size()})) {
    throw RunError(Failure::UnsupportedEncoding, input.path(), 0, name);
  }
  if (!decide) return TextEncoding::ShiftJis;
  if (input.rewindable()) {
    if (later) return std::nullopt;
    return readEncoding(input);
  }
  Utf8Validator validator;
  const bool valid = validator.feed(head);
  const bool wholeText = head.size() < kIoBufferSize;
  return valid && (!wholeText || validator.finish()) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

TextEncoding readEncoding(InputFile& input) {
  Utf8Validator validator;
  for (auto chunk = input.read(); !chunk.empty(); chunk = input.read()) {
    if (!validator.feed(chunk)) break;  // one invalid byte settles it
  }
  input.rewind();
  return validator.finish() ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

}  // namespace cstrip
