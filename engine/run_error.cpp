#include "run_error.h"

#include <cerrno>
#include <cstring>

namespace cstrip {

std::string describeSystemError(int errorNumber) {
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
    case ENXIO:
    case ENODEV:
      return "デバイスがありません";
    default:
      return std::string("システムエラー ") + std::to_string(errorNumber) + " (" +
             std::strerror(errorNumber) + ")";
  }
}

RunError fileError(std::string_view what, std::string_view path, std::string_view verb,
                   int errorNumber) {
  std::string description;
  description.append(what).append("「").append(path).append("」").append(verb);
  description.append(": ").append(describeSystemError(errorNumber));
  return RunError(description, errorNumber);
}

}  // namespace cstrip
