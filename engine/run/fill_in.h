#pragma once

#include <initializer_list>
#include <string>

namespace cstrip {

// `pattern` with each %s replaced by the next of `values`, in order; the
// wordings of messages in either language are such patterns.
inline std::string fillIn(std::string pattern, std::initializer_list<std::string> values) {
  std::size_t at = 0;
  for (const std::string& value : values) {
    at = pattern.find("%s", at);
    if (at == std::string::npos) break;
    pattern.replace(at, 2, value);
    at += value.size();
  }
  return pattern;
}

}  // namespace cstrip
