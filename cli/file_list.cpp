#include "file_list.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "file_names.h"
#include "system_file.h"

namespace cstrip::cli {

namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::vector<std::filesystem::path> readFileList(const std::filesystem::path& list,
                                                bool nullSeparated, std::error_code& error) {
  std::unique_ptr<std::FILE, CloseFile> opened;
  std::FILE* file = stdin;
  if (!isStandardStream(list)) {
#ifdef _WIN32
    opened.reset(_wfopen(list.c_str(), L"rb"));
#else
    opened.reset(std::fopen(list.c_str(), "rb"));
#endif
    if (!opened) {
      error.assign(errno, std::generic_category());
      return {};
    }
    file = opened.get();
  }
  std::vector<std::filesystem::path> names;
  const char end = nullSeparated ? '\0' : '\n';
  std::string name;
  const auto take = [&] {
    if (!nullSeparated && name.ends_with('\r')) name.pop_back();
    // A listed "-" is a file of that name, never standard input.
    if (name == "-") name = "./-";
    if (!name.empty()) names.push_back(pathFromText(name));
    name.clear();
  };
  for (int c; (c = std::getc(file)) != EOF;) {
    if (static_cast<char>(c) == end) {
      take();
    } else {
      name += static_cast<char>(c);
    }
  }
  if (std::ferror(file)) {
    error.assign(errno == 0 ? EIO : errno, std::generic_category());
    return {};
  }
  take();
  return names;
}

}  // namespace cstrip::cli
