#include "run_error.h"

#include <iterator>
#include <utility>

#include "file_names.h"
#include "fill_in.h"

namespace cstrip {

namespace {

struct Wording {
  const char* japanese;
  const char* english;
};

// Each failure's sentence; %s stands for the path, then for the reason.
constexpr Wording kFailureWording[] = {
    {"入力ファイルが指定されていません。", "No input file was given."},
    {"出力ファイルが指定されていません。", "No output file was given."},
    {"入力ファイル「%s」を開けません: %s", "Cannot open the input file \"%s\": %s"},
    {"入力ファイル「%s」は通常のファイルではなくなったため、変換しません。",
     "The input file \"%s\" is no longer a regular file, so it is not converted."},
    {"「%s」は通常のファイルではないため、その場では変換しません。",
     "\"%s\" is not a regular file, so it is not converted in place."},
    {"入力ファイル「%s」を読み込めません: %s", "Cannot read the input file \"%s\": %s"},
    {"入力ファイル「%s」は %s のテキストです。この文字コードには対応していません。"
     "Shift-JIS か UTF-8 で保存してから、もう一度お試しください。",
     "The input file \"%s\" is %s text, which is not supported. Save it as Shift-JIS or UTF-8 "
     "and try again."},
    {"出力ファイル「%s」を開けません: %s", "Cannot open the output file \"%s\": %s"},
    {"出力ファイル「%s」のフォルダに一時ファイルを作成できません: %s",
     "Cannot create a temporary file in the folder of the output file \"%s\": %s"},
    {"出力ファイル「%s」は入力ファイルと同じファイルです。入力ファイルを壊さないよう、"
     "何も書き込まずに中止しました。",
     "The output file \"%s\" is the input file. Nothing was written, so that the input stays "
     "intact."},
    {"「%s」は開いた後で別のファイルに置き換えられたため、変換しません。",
     "\"%s\" was replaced by another file after it was opened, so it is not converted."},
    {"出力ファイル「%s」に書き込めません: %s", "Cannot write to the output file \"%s\": %s"},
    {"出力ファイル「%s」を閉じられません: %s", "Cannot close the output file \"%s\": %s"},
    {"出力ファイル「%s」を置き換えられません: %s", "Cannot replace the output file \"%s\": %s"},
    {"バックアップ「%s」を作成できません: %s", "Cannot make the backup \"%s\": %s"},
    {"変換に必要なメモリを確保できません: %s", "Not enough memory for the conversion: %s"},
};
static_assert(std::size(kFailureWording) == static_cast<std::size_t>(Failure::OutOfMemory) + 1);

std::string describeParts(Failure failure, const std::filesystem::path& path, int errorNumber,
                          const std::string& detail, Language language) {
  const Wording& wording = kFailureWording[static_cast<std::size_t>(failure)];
  const char* pattern = language == Language::Japanese ? wording.japanese : wording.english;
  const std::string reason =
      failure == Failure::UnsupportedEncoding ? detail : describeSystemError(errorNumber, language);
  if (failure == Failure::OutOfMemory) return fillIn(pattern, {reason});
  return fillIn(pattern, {displayPath(path), reason});
}

}  // namespace

RunError::RunError(Failure failure, std::filesystem::path path, int errorNumber, std::string detail)
    : std::runtime_error(describeParts(failure, path, errorNumber, detail, Language::Japanese)),
      failure_(failure),
      path_(std::move(path)),
      errorNumber_(errorNumber),
      detail_(std::move(detail)) {}

std::string describe(const RunError& error, Language language) {
  return describeParts(error.failure(), error.path(), error.errorNumber(), error.detail(),
                       language);
}

}  // namespace cstrip
