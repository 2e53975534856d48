#!/bin/sh
# console_test.sh WINE CSTRIP_COM: cstrip.com's own text on a Japanese
# Windows, as Wine makes one of LC_ALL=ja_JP.UTF-8 (ANSI and OEM code page
# 932, Japanese display language):
# - into a file or a pipe it is CP932, as Japanese Windows' tools read it,
#   while conversion data on standard output stays its bytes;
# - on a console it is Japanese as the console shows it, and the progress
#   line ends erased. Wine draws its console on the terminal it runs on:
#   here a pseudo-terminal of script(1), in a UTF-8 locale made with
#   localedef; skipped without them;
# - without cstrip.exe beside it, cstrip.com says in words why the window
#   cannot open, and exits 1.
# Wine cannot show a real Windows console (conhost, Windows Terminal), one
# whose code page was changed with chcp, or cstrip.exe writing to the
# console it was started from.
set -u
. "$(dirname "$0")/../support/check.sh"
wine=$1
dir=$(mktemp -d)
cp "$2" "$dir/cstrip.com"  # alone, without cstrip.exe
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
unset DISPLAY WAYLAND_DISPLAY
export LC_ALL=ja_JP.UTF-8

# Whether FILE is CP932 text holding WORDS: not UTF-8, and read as CP932
# it says them.
cp932() {
  ! iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1 && iconv -f CP932 -t UTF-8 "$1" | grep -q "$2"
}

"$wine" cstrip.com --bogus 2>errors
check "a usage error written into a file is CP932" cp932 errors 使い方は
"$wine" cstrip.com --help | cat >help
check "  ... as is --help into a pipe" cp932 help 'ファイルを 1 つ変換する'
printf '"日本" /* 注 */\n' | "$wine" cstrip.com --strip-c - - | cat >data
check "  ... while converted UTF-8 on standard output stays UTF-8" \
  test "$(cat data)" = '"日本"'

"$wine" cstrip.com 2>errors
check "without cstrip.exe, asked for the window: exit 1" test $? = 1
check "  ... saying why in words" \
  cp932 errors 'cstrip.exe」を起動できません: ファイルまたはフォルダが見つかりません'

if mkdir locale && localedef -i ja_JP -f UTF-8 locale/ja_JP.UTF-8 2>/dev/null && command -v script >/dev/null; then
  export LOCPATH="$dir/locale"
  # A long run, so that the progress line shows: one comment to the end of
  # a sparse file.
  printf 'int a; /*' >big.c && truncate -s 1G big.c
  script -qc "'$wine' cstrip.com --bogus; '$wine' cstrip.com --strip big.c big.out" /dev/null \
    </dev/null >terminal 2>&1
  esc=$(printf '\033')
  # What the terminal shows, without the escapes Wine draws the console with.
  sed "s/$esc\[[0-9;?]*[A-Za-z]//g" terminal >shown
  check "on a console, Japanese as the console shows it" grep -q '使い方は cstrip --help' shown
  check "  ... and the progress line" grep -q '/ 1 ファイル)' shown
  check "  ... which ends erased, showing no escape of its own" sh -c \
    "! grep -q '$esc' shown && tr '\r' '\n' <terminal | tail -n 1 | grep -q '$esc\[K'"
else
  echo "skipped: the console (needs localedef, the ja_JP locale's source and script)"
fi

finish
