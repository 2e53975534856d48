#include <windows.h>

#include <string>

#include "run_error.h"
#include "wide_text.h"

namespace cstrip {

const int kFolderError = ERROR_DIRECTORY;
const int kNoMemoryError = ERROR_NOT_ENOUGH_MEMORY;
const int kFileCutShortError = ERROR_HANDLE_EOF;

namespace {

const char* japaneseReason(int errorNumber) {
  switch (errorNumber) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "ファイルまたはフォルダが見つかりません";
    case ERROR_ACCESS_DENIED:
      return "アクセスが拒否されました";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "別のプログラムが使用中です";
    case ERROR_DIRECTORY:
      return "フォルダです（ファイルを指定してください）";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "ファイル名、フォルダ名の指定が正しくありません";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "ディスクの空き容量が不足しています";
    case ERROR_WRITE_PROTECT:
      return "書き込み禁止のディスクです";
    case ERROR_FILENAME_EXCED_RANGE:
      return "パスが長すぎます";
    case ERROR_NOT_READY:
      return "デバイスの準備ができていません";
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
      return "ネットワーク上の場所に接続できません";
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
      return "入出力エラーが発生しました";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return "メモリが不足しています";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "開いているファイルが多すぎます";
    case ERROR_FILE_TOO_LARGE:
      return "ファイルが大きすぎます";
    case ERROR_INVALID_HANDLE:
      return "標準入出力がありません";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return "パイプの相手が閉じられました";
    default:
      return nullptr;
  }
}

// The system's own text for `errorNumber` in `languageId`, without its
// line break; empty when it has none in that language.
std::string systemText(int errorNumber, WORD languageId) {
  wchar_t* buffer = nullptr;
  const DWORD size = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(errorNumber), languageId, reinterpret_cast<wchar_t*>(&buffer), 0,
      nullptr);
  std::wstring text(buffer, size);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                           text.back() == L' ')) {
    text.pop_back();
  }
  return toUtf8(text);
}

}  // namespace

std::string describeSystemError(int errorNumber, Language language) {
  if (language == Language::Japanese) {
    if (const char* japanese = japaneseReason(errorNumber)) return japanese;
    std::string system = systemText(errorNumber, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (system.empty()) system = systemText(errorNumber, 0);
    return "システムエラー " + std::to_string(errorNumber) + " (" + system + ")";
  }
  std::string system = systemText(errorNumber, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (system.empty()) system = systemText(errorNumber, 0);
  return system.empty() ? "System error " + std::to_string(errorNumber) : system;
}

std::string describeErrorCode(const std::error_code& code, Language language) {
  if (code.category() == std::system_category()) return describeSystemError(code.value(), language);
  // The standard library reports most failures as errno values; the common
  // ones are worded as the system's codes for the same cause.
  static constexpr struct {
    std::errc condition;
    int systemError;
  } kSameCause[] = {
      {std::errc::no_such_file_or_directory, ERROR_PATH_NOT_FOUND},
      {std::errc::permission_denied, ERROR_ACCESS_DENIED},
      {std::errc::no_space_on_device, ERROR_DISK_FULL},
      {std::errc::filename_too_long, ERROR_FILENAME_EXCED_RANGE},
      {std::errc::not_enough_memory, ERROR_NOT_ENOUGH_MEMORY},
      {std::errc::invalid_argument, ERROR_INVALID_NAME},
      {std::errc::bad_file_descriptor, ERROR_INVALID_HANDLE},
      {std::errc::broken_pipe, ERROR_NO_DATA},
      {std::errc::io_error, ERROR_IO_DEVICE},
      {std::errc::too_many_files_open, ERROR_TOO_MANY_OPEN_FILES},
      {std::errc::file_too_large, ERROR_FILE_TOO_LARGE},
      {std::errc::read_only_file_system, ERROR_WRITE_PROTECT},
      {std::errc::file_exists, ERROR_ALREADY_EXISTS},
      {std::errc::operation_not_supported, ERROR_NOT_SUPPORTED},
  };
  for (const auto& same : kSameCause) {
    if (code == same.condition) return describeSystemError(same.systemError, language);
  }
  return language == Language::Japanese
             ? "エラー " + std::to_string(code.value()) + " (" + code.message() + ")"
             : code.message();
}

}  // namespace cstrip
