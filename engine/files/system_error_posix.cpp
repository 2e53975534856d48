#include <cerrno>
#include <cstring>
#include <string>

#include "run_error.h"

namespace cstrip {

const int kFolderError = EISDIR;
const int kNoMemoryError = ENOMEM;
const int kFileCutShortError = ENODATA;

namespace {

const char* japaneseReason(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "ファイルまたはフォルダが見つかりません";
    case EACCES:
    case EPERM:
      return "アクセスが拒否されました";
    case EISDIR:
      return "フォルダです（ファイルを指定してください）";
    case ENOTDIR:
      return "パスの途中にフォルダでないものがあります";
    case ENOSPC:
      return "ディスクの空き容量が不足しています";
    case EDQUOT:
      return "ディスクの使用量の上限を超えました";
    case EROFS:
      return "読み取り専用のファイルシステムです";
    case ENAMETOOLONG:
      return "パスが長すぎます";
    case ELOOP:
      return "シンボリックリンクの階層が深すぎます";
    case EIO:
      return "入出力エラーが発生しました";
    case ENOMEM:
      return "メモリが不足しています";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    case EFBIG:
      return "ファイルが大きすぎます";
    case ETXTBSY:
      return "実行中のプログラムのファイルです";
    case EBADF:  // a standard stream closed at start
      return "閉じられています";
    case ENXIO:
    case ENODEV:
      return "デバイスがありません";
    default:
      return nullptr;
  }
}

}  // namespace

std::string describeSystemError(int errorNumber, Language language) {
  const char* japanese = language == Language::Japanese ? japaneseReason(errorNumber) : nullptr;
  if (japanese != nullptr) return japanese;
  const std::string system = std::strerror(errorNumber);
  return language == Language::Japanese
             ? "システムエラー " + std::to_string(errorNumber) + " (" + system + ")"
             : system;
}

std::string describeErrorCode(const std::error_code& code, Language language) {
  // Both the system's and the generic category hold errno values here.
  return describeSystemError(code.value(), language);
}

}  // namespace cstrip
