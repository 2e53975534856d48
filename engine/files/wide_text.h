#pragma once

// Windows only: text between the system's UTF-16 and the program's UTF-8.

#include <windows.h>

#include <string>
#include <string_view>

namespace cstrip {

// `text` in the code page `codePage`; a character it lacks becomes its
// default (in UTF-8, an unpaired surrogate becomes U+FFFD).
inline std::string inCodePage(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), converted.data(),
                      size, nullptr, nullptr);
  return converted;
}

// `text` in UTF-8; an unpaired surrogate becomes U+FFFD.
inline std::string toUtf8(std::wstring_view text) {
  return inCodePage(text, CP_UTF8);
}

// `text`, UTF-8, in UTF-16; an invalid byte becomes U+FFFD.
inline std::wstring toWide(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted.data(),
                      size);
  return converted;
}

}  // namespace cstrip
