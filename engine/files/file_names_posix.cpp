#include <iconv.h>
#include <sys/stat.h>

#include <optional>

#include "file_names.h"
#include "utf8_validator.h"

namespace cstrip {

namespace {

// `text` converted by iconv from `from` to `to`, or nothing when it holds
// bytes that `from` does not define.
std::optional<std::string> convert(std::string_view text, const char* from, const char* to) {
  struct Converter {
    iconv_t handle;
    ~Converter() {
      if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
  } converter{iconv_open(to, from)};
  if (converter.handle == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input(text);
  std::string output(4 * text.size() + 4, '\0');
  char* in = input.data();
  char* out = output.data();
  std::size_t inLeft = input.size();
  std::size_t outLeft = output.size();
  if (iconv(converter.handle, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  output.resize(output.size() - outLeft);
  return output;
}

bool isUtf8(std::string_view text) {
  Utf8Validator validator;
  validator.feed(text);
  return validator.finish();
}

bool exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::string displayPath(const std::filesystem::path& name) {
  const std::string_view path = name.native();
  std::string shown;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, slash - start);
    if (isUtf8(part)) {
      shown += part;
    } else if (const auto decoded = convert(part, "CP932", "UTF-8")) {
      shown += *decoded;
    } else {
      for (const char ch : part) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
          shown += ch;
        } else {
          shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        }
      }
    }
    if (slash < path.size()) shown += '/';
    start = slash + 1;
  }
  return quoteControls(shown);
}

std::filesystem::path pathFromText(const std::string& text) {
  return text;
}

std::filesystem::path findFile(const std::filesystem::path& name) {
  const std::string& path = name.native();
  if (path.empty() || exists(path)) return name;
  std::string found;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, slash - start);
    const auto cp932 = convert(part, "UTF-8", "CP932");
    if (!exists(found + part) && cp932 && exists(found + *cp932)) {
      found += *cp932;
    } else {
      found += part;
    }
    if (slash < path.size()) found += '/';
    start = slash + 1;
  }
  return found;
}

}  // namespace cstrip
