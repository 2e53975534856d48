#include "messages.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <string_view>

#include "fill_in.h"

namespace cstrip::cli {

namespace {

struct Wording {
  const char* japanese;
  const char* english;
};

constexpr Wording kWording[] = {
    // Help
    {R"(使い方:
  cstrip [IN [OUT]]                  ウィンドウを開く（IN と OUT を入力済みで）
  cstrip CONVERSION IN OUT           ファイルを 1 つ変換する（- は標準入力・標準出力）
  cstrip CONVERSION -d DIR PATH...
                                     ファイルやフォルダをまとめて DIR に変換する

変換（CONVERSION）:
  --strip-c      C コンパイラと同じ読み方でコメントを削除する。コンパイル結果を
                 変えてはならないコードにはこちらを使う。行継続の \、文字列・文字
                 定数のエスケープ、1'000 の区切りを正しく扱い、削除したコメントは
                 必要なら空白 1 つになる。行末（CR LF・CR・LF）はそのまま。
                 Shift-JIS の「表」などの 2 バイト目の \ は \ と見なさない。
                 .cc .cpp .cxx .c++ .hh .hpp .hxx では C++ の生文字列 R"d(…)d" も扱う
  --strip        従来の規則でコメント /* */ と // を削除する（連続する改行は最初の
                 1 文字に、CR LF は CR に。エスケープと行継続は考えないため、
                 文字列やマクロを壊すことがある）
  --lower        英字を小文字にする（行末は CR LF）
  --upper        英字を大文字にする（行末は CR LF）

オプション:
  --keep-lines   --strip-c で、各行を元の行番号のまま残す（コメントだけの行は空行に）
  -d DIR         出力先のフォルダ。ファイル a/b.c は DIR/b.c に、フォルダ src は
                 DIR/src/… に変換する（フォルダは中まで探す）
  -L, --dereference
                 フォルダの中のシンボリックリンクをたどる（既定ではリンクを
                 そのまま DIR に作る）
  --include PATTERNS
                 フォルダの中で変換するファイル名のパターン（カンマ区切り、
                 既定は *.c,*.h）
  -j N           同時に変換するファイルの数（既定はコア数）
  -v             ファイルごとに出力先と行数を表示する
  -h, --help     この説明を表示する
  --version      バージョンを表示する

出力ファイルは一時ファイルに書いてから置き換えるため、失敗・中断しても前の内容が
残ります。
終了コード: 0 はすべて成功、1 は失敗したファイルがある、2 は引数の誤り、
128 + シグナル番号は中断。
ファイルが有効な UTF-8 なら UTF-8 として、そうでなければ Shift-JIS として読み、
--lower・--upper の英字と --strip-c の \ を判定します。UTF-16 と UTF-32 の
ファイルは変換しません。閉じていない /* は警告のみで、終了コードは 0 です。
)",
     R"(Usage:
  cstrip [IN [OUT]]                  open the window, with IN and OUT filled in
  cstrip CONVERSION IN OUT           convert one file (- is standard input or output)
  cstrip CONVERSION -d DIR PATH...
                                     convert files and folders into DIR

Conversions (CONVERSION):
  --strip-c      strip comments as a C compiler reads them: use this for
                 code that must still compile the same. Line splices (\),
                 escapes in strings and character constants and 1'000
                 separators are honoured, a removed comment becomes one
                 space where one is needed, and line ends (CR LF, CR, LF)
                 stay as they are. In Shift-JIS, a second byte 0x5C (as in
                 表) is not a backslash. Files named .cc .cpp .cxx .c++ .hh
                 .hpp .hxx have C++ raw strings R"d(...)d" too
  --strip        strip C comments /* */ and // by the classic rules, and
                 keep only the first of every run of line breaks (CR LF
                 becomes CR); it knows no escapes or line splices, so it can
                 break strings and macros
  --lower        convert letters to lower case, ending lines with CR LF
  --upper        convert letters to upper case, ending lines with CR LF

Options:
  --keep-lines   with --strip-c: keep every line on its line number
                 (comment-only lines become empty)
  -d DIR         the output folder: a file a/b.c goes to DIR/b.c, a folder
                 src is walked into DIR/src/...
  -L, --dereference
                 follow symbolic links inside folders (by default a link is
                 made again in DIR as it is)
  --include PATTERNS
                 the names to convert inside folders, comma-separated
                 (default *.c,*.h)
  -j N           convert up to N files at once (default: the number of cores)
  -v             print each output file and its line count
  -h, --help     print this help
  --version      print the version

Each output file is written to a temporary file and then put in place, so
a run that fails or is interrupted leaves the earlier output as it was.
Exit status: 0 when all files were converted, 1 when any failed, 2 for a
usage error, 128 + the signal's number when interrupted. A file is read
as UTF-8 when it is valid UTF-8, as Shift-JIS otherwise, for the letters
of --lower and --upper and the backslashes of --strip-c. UTF-16 and UTF-32
files are refused. An unclosed /* is a warning, with exit status 0.
)"},
    // TryHelp
    {"使い方は cstrip --help で表示します。", "Try 'cstrip --help' for more information."},
    // OneMode
    {"--strip、--strip-c、--lower、--upper はどれか 1 つだけ指定してください。",
     "Choose only one of --strip, --strip-c, --lower and --upper."},
    // NoMode
    {"変換（--strip、--strip-c、--lower、--upper のどれか）を指定してください。",
     "Choose a conversion: --strip, --strip-c, --lower or --upper."},
    // KeepLinesAlone
    {"--keep-lines は --strip-c と一緒に指定してください。", "--keep-lines goes with --strip-c."},
    // InAndOut
    {"入力ファイルと出力ファイルを 1 つずつ指定するか、-d で出力先のフォルダを指定して"
     "ください。",
     "Give one input file and one output file, or an output folder with -d."},
    // NoPaths
    {"変換するファイルかフォルダを指定してください。", "Give the files or folders to convert."},
    // NoFolder
    {"-d には出力先のフォルダを指定してください。", "-d needs a folder."},
    // SameOutput
    {"「%s」と「%s」の出力先が同じになります。", "\"%s\" and \"%s\" would write the same output."},
    // OutputIsInput
    {"出力先「%s」は入力ファイル「%s」と同じファイルです。",
     "The output \"%s\" would be the input file \"%s\"."},
    // IsOutputFolder
    {"「%s」は出力先のフォルダです。", "\"%s\" is the output folder."},
    // InOutputFolder
    {"「%s」は出力先のフォルダ「%s」の中にあります。",
     "\"%s\" lies inside the output folder \"%s\"."},
    // OutsideOutputFolder
    {"「%s」は出力先のフォルダ「%s」の外になるため、書き込みません。",
     "\"%s\" would lie outside the output folder \"%s\", so it is not written."},
    // BadJobs
    {"-j には 1 以上の数を指定してください。", "-j needs a number of 1 or more."},
    // BadArgument
    {"引数が正しくありません: %s", "Invalid arguments: %s"},
    // CannotReadFolder
    {"フォルダ「%s」を読み込めません: %s", "Cannot read the folder \"%s\": %s"},
    // CannotFollowLink
    {"リンク「%s」をたどれません: %s", "Cannot follow the link \"%s\": %s"},
    // LinkLoop
    {"リンク「%s」は自分を含むフォルダを指しているため、たどりません。",
     "The link \"%s\" leads to a folder that holds it, so it is not followed."},
    // CannotMakeFolder
    {"フォルダ「%s」を作成できません: %s", "Cannot create the folder \"%s\": %s"},
    // CannotMakeLink
    {"リンク「%s」を作成できません: %s", "Cannot create the link \"%s\": %s"},
    // Converted
    {"%s\t%s", "%s\t%s"},
    // LinkMade
    {"%s\t-> %s", "%s\t-> %s"},
    // Skipped
    {"%s\t通常のファイルではないため飛ばしました", "%s\tskipped: not a regular file"},
    // UnterminatedComment
    {"警告: 「%s」の %s 行目の /* が閉じられていません。ファイルの終わりまでをコメントとして"
     "削除しました",
     "warning: \"%s\": the /* on line %s is never closed, so the rest of the file was "
     "removed as a comment"},
    // WriteError
    {"書き込みエラー: %s", "write error: %s"},
    // CannotStartWindow
    {"ウィンドウのプログラム「%s」を起動できません: %s",
     "Cannot start the window program \"%s\": %s"},
    // Progress
    {"%s% (%s / %s ファイル)", "%s% (%s of %s files)"},
};
static_assert(std::size(kWording) == static_cast<std::size_t>(Message::Progress) + 1);

}  // namespace

Language userLanguage() {
#ifdef _WIN32
  // Windows keeps the language its texts are shown in, whatever the locale.
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                    : Language::English;
#else
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).starts_with("ja") ? Language::Japanese : Language::English;
  }
  return Language::English;
#endif
}

std::string text(Message message, Language language, std::initializer_list<std::string> values) {
  const Wording& wording = kWording[static_cast<std::size_t>(message)];
  return fillIn(language == Language::Japanese ? wording.japanese : wording.english, values);
}

}  // namespace cstrip::cli
