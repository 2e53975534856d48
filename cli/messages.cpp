#include "messages.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
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
  cstrip [--] [IN [OUT]]                 ウィンドウを開く（IN と OUT を入力済みで）
  cstrip CONVERSION [OPTION]... [IN [OUT]]
                   ファイルを 1 つ変換する。OUT がなければ標準出力に、IN もなければ
                   標準入力から（- は標準入力・標準出力）
  cstrip CONVERSION -i [--backup=SUFFIX] FILE...
                   各ファイルをその場で変換する
  cstrip CONVERSION -d DIR [OPTION]... PATH...
                   ファイルやフォルダをまとめて DIR に変換する

変換（CONVERSION）:
      --strip-c      C コンパイラと同じ読み方でコメントを削除する。コンパイル結果を
                     変えてはならないコードにはこちらを使う。行継続の \、文字列・
                     文字定数のエスケープ、1'000 の区切りを正しく扱い、削除した
                     コメントは必要なら空白 1 つになる。行末（CR LF・CR・LF）は
                     そのまま。Shift-JIS の「表」などの 2 バイト目の \ は \ と
                     見なさない。.cc .cpp .cxx .c++ .hh .hpp .hxx では C++ の
                     生文字列 R"d(…)d" も扱う
      --strip        従来の規則でコメント /* */ と // を削除する（連続する改行は
                     最初の 1 文字に、CR LF は CR に。エスケープと行継続は考えない
                     ため、文字列やマクロを壊すことがある）
      --lower        英字を小文字にする（行末は CR LF）
      --upper        英字を大文字にする（行末は CR LF）

オプション:
      --keep-lines   --strip-c で、各行を元の行番号のまま残す（コメントだけの行は
                     空行に）
  -i, --in-place     各 FILE をその場で変換する。一時ファイルに書いてから置き換える
                     ため、権限・所有者はそのまま。sed -i と同じく、シンボリック
                     リンクは変換したファイルに置き換わり（リンク先はそのまま）、
                     ハードリンクは切り離される（ほかの名前は元の内容のまま）
      --backup=SUFFIX
                     -i で、元のファイルを FILE+SUFFIX として残す
  -d, --output-dir=DIR
                     出力先のフォルダ。ファイル a/b.c は DIR/b.c に、フォルダ src は
                     DIR/src/… に変換する（フォルダは中まで探す）
      --parents      -d で、ファイルを指定したパスのまま DIR の下に置く
                     （a/b.c は DIR/a/b.c に）
      --files-from=FILE
                     変換するファイルやフォルダを FILE から 1 行に 1 つずつ読む
                     （- は標準入力）
  -0, --null         --files-from の名前を改行でなく NUL で区切る
  -L, --dereference  フォルダの中のシンボリックリンクをたどる（既定ではリンクを
                     そのまま DIR に作る）
      --include=PATTERNS
                     フォルダの中で変換する名前のパターン（既定は *.c,*.h）
      --exclude=PATTERNS
                     フォルダの中で除く名前のパターン（合うフォルダは探さない）
  -n, --dry-run      書き込む出力ファイルを表示するだけで、何も書き込まない
  -j, --jobs=N       同時に変換するファイルの数（既定はコア数）
  -v, --verbose      ファイルごとに出力先と行数を表示する（データが標準出力に
                     出るときは標準エラー出力に）
  -q, --quiet        警告と進み具合を表示しない（エラーは表示する）
  -h, --help         この説明を表示する
      --version      バージョンを表示する

PATTERNS はカンマ・セミコロン・空白で区切る。/ のないパターンは名前に、/ のある
パターンは探すフォルダからのパス（sub/*.c）に合わせ、**/ はどの深さにも合う。
何も変換しなかったフォルダは報告し、終了コードは 1 になります。
出力ファイルは一時ファイルに書いてから置き換えるため、失敗・中断しても前の内容が
残ります。
終了コード: 0 はすべて成功、1 は失敗したファイルがある、2 は引数の誤り、
128 + シグナル番号は中断。
ファイルが有効な UTF-8 なら UTF-8 として、そうでなければ Shift-JIS として読み、
--lower・--upper の英字と --strip-c の \ を判定します。UTF-16 と UTF-32 の
ファイルは変換しません。閉じていない /* は警告のみで、終了コードは 0 です。
詳しくは man cstrip を参照してください。
)",
     R"(Usage:
  cstrip [--] [IN [OUT]]                 open the window, with IN and OUT filled in
  cstrip CONVERSION [OPTION]... [IN [OUT]]
                   convert one file; without OUT to standard output, and
                   without IN from standard input too (- is either)
  cstrip CONVERSION -i [--backup=SUFFIX] FILE...
                   convert each FILE in place
  cstrip CONVERSION -d DIR [OPTION]... PATH...
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
                     becomes CR); it knows no escapes or line splices, so it
                     can break strings and macros
      --lower        convert letters to lower case, ending lines with CR LF
      --upper        convert letters to upper case, ending lines with CR LF

Options:
      --keep-lines   with --strip-c: keep every line on its line number
                     (comment-only lines become empty)
  -i, --in-place     convert each FILE into itself, through a temporary file
                     put in its place, keeping its mode and owner. As with
                     sed -i, a symbolic link is replaced by the converted file
                     (its target stays as it was), and a hard link is broken
                     (the file's other names keep the old content)
      --backup=SUFFIX
                     with -i: keep the original as FILE+SUFFIX
  -d, --output-dir=DIR
                     the output folder: a file a/b.c goes to DIR/b.c, a folder
                     src is walked into DIR/src/...
      --parents      with -d: keep a file's path as given under DIR (a/b.c
                     goes to DIR/a/b.c)
      --files-from=FILE
                     read the files and folders to convert from FILE, one per
                     line (- for standard input)
  -0, --null         names in --files-from end with NUL, not a line end
  -L, --dereference  follow symbolic links inside folders (by default a link is
                     made again in DIR as it is)
      --include=PATTERNS
                     the names to convert inside folders (default *.c,*.h)
      --exclude=PATTERNS
                     the names to leave out inside folders (a folder that
                     matches is not walked)
  -n, --dry-run      print each output file that would be written; write nothing
  -j, --jobs=N       convert up to N files at once (default: the number of cores)
  -v, --verbose      print each output file and its line count (on standard
                     error when the data goes to standard output)
  -q, --quiet        print no warnings and no progress (errors still show)
  -h, --help         print this help
      --version      print the version

PATTERNS are separated by commas, semicolons or blanks. A pattern without /
matches a name, one with / the path below the folder walked (sub/*.c), and
**/ matches at any depth. A folder in which nothing is converted is reported,
with exit status 1.
Each output file is written to a temporary file and then put in place, so
a run that fails or is interrupted leaves the earlier output as it was.
Exit status: 0 when all files were converted, 1 when any failed, 2 for a
usage error, 128 + the signal's number when interrupted. A file is read
as UTF-8 when it is valid UTF-8, as Shift-JIS otherwise, for the letters
of --lower and --upper and the backslashes of --strip-c. UTF-16 and UTF-32
files are refused. An unclosed /* is a warning, with exit status 0.
See man cstrip for more.
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
    {"入力ファイルと出力ファイルは 1 つずつ指定してください。多くのファイルは -d か -i で"
     "変換します。",
     "Give at most one input file and one output file; convert many with -d or -i."},
    // NoPaths
    {"変換するファイルかフォルダを指定してください。", "Give the files or folders to convert."},
    // NoFolder
    {"-d には出力先のフォルダを指定してください。", "-d needs a folder."},
    // UnknownOption
    {"「%s」というオプションはありません。", "unrecognized option '%s'"},
    // InvalidOption
    {"「-%s」というオプションはありません。", "invalid option -- '%s'"},
    // TakesNoValue
    {"オプション「%s」には値を指定できません。", "option '%s' doesn't allow an argument"},
    // NeedsValue
    {"オプション「%s」には値が必要です。", "option '%s' requires an argument"},
    // Ambiguous
    {"オプション「%s」はあいまいです（候補: %s）。", "option '%s' is ambiguous; possibilities: %s"},
    // BackupAlone
    {"--backup は -i と一緒に指定してください。", "--backup goes with -i."},
    // BadBackup
    {"--backup には、ファイル名の後ろに付ける文字列（/ を含まない）を指定してください。",
     "--backup needs a suffix to add to the file name, without a folder in it."},
    // ParentsAlone
    {"--parents は -d と一緒に指定してください。", "--parents goes with -d."},
    // NullAlone
    {"-0 は --files-from と一緒に指定してください。", "-0 goes with --files-from."},
    // ListAlone
    {"--files-from は -d か -i と一緒に指定してください。", "--files-from goes with -d or -i."},
    // InPlaceAndFolder
    {"-i と -d は一緒に指定できません。", "-i and -d cannot go together."},
    // InPlaceStream
    {"-i では標準入力（-）は変換できません。", "-i cannot convert standard input (-)."},
    // FolderStream
    {"-d では標準入力（-）は変換できません。", "-d cannot convert standard input (-)."},
    // NoDisplay
    {"ウィンドウを開けません（ディスプレイがありません）。ウィンドウなしで変換するには "
     "--strip-c、--strip、--lower、--upper のどれかを指定してください。",
     "cannot open the window: no display. To convert without a window, choose --strip-c, "
     "--strip, --lower or --upper."},
    // CannotReadList
    {"「%s」: ファイルの一覧を読み込めません: %s", "\"%s\": cannot read the list of files: %s"},
    // NothingMatched
    {"「%s」: 変換するファイルがありません（--include・--exclude に合う名前がありません）",
     "\"%s\": no file to convert (no name matches --include and --exclude)"},
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
    {"-j には 1 以上の数を指定してください（「%s」は使えません）。",
     "-j needs a number of 1 or more, not '%s'."},
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
  const auto japanese = [](std::string_view name) { return name.starts_with("ja"); };
  std::string_view locale = "C";
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    locale = value;
    break;
  }
  const bool plainC = locale == "C" || locale == "POSIX" || locale.starts_with("C.");
  const char* list = std::getenv("LANGUAGE");
  if (!plainC && list != nullptr) {
    for (std::string_view rest = list; !rest.empty();) {
      const std::string_view name = rest.substr(0, rest.find(':'));
      if (japanese(name)) return Language::Japanese;
      if (name.starts_with("en")) return Language::English;
      rest.remove_prefix(std::min(rest.size(), name.size() + 1));
    }
    // None of the list is a language of the program's: gettext then shows
    // the untranslated text, English.
    if (*list != '\0') return Language::English;
  }
  return japanese(locale) ? Language::Japanese : Language::English;
#endif
}

std::string text(Message message, Language language, std::initializer_list<std::string> values) {
  const Wording& wording = kWording[static_cast<std::size_t>(message)];
  return fillIn(language == Language::Japanese ? wording.japanese : wording.english, values);
}

}  // namespace cstrip::cli
