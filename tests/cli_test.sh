#!/bin/sh
# cli_test.sh CSTRIP ENGINE_RUN: the command line converts as the engine does
# (engine-run drives the engine as the window does), reports failures per
# file and goes on, and refuses bad usage before converting anything.
# CSTRIP may be the Windows program run by Wine, which shows paths with
# Windows' separator.
set -u
. "$(dirname "$0")/support/check.sh"
cstrip=$(realpath "$1")
engine=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export LANG=C.UTF-8 LC_ALL= LC_MESSAGES=

printf 'int A; /* \223\372\226\173 */\r\n\r\nchar *s = "//"; // B\r\nEnd' >in.c
for mode in strip lower upper; do
  "$engine" "$mode" in.c engine.out >/dev/null
  "$cstrip" --"$mode" in.c cli.out
  check "--$mode writes what the engine writes" cmp -s cli.out engine.out
  "$cstrip" --"$mode" - - <in.c >piped.out
  check "  ... from standard input to standard output" cmp -s piped.out engine.out
done
cat in.c | "$cstrip" --upper - - >piped.out
check "  ... and from a pipe" cmp -s piped.out engine.out

mkdir -p src/sub out
printf 'a /* 1 */\n' >src/a.c
printf 'b // 2\n' >src/sub/b.h
printf 'not C\n' >src/notes.txt
printf '\377\376a\000' >src/utf16.c
printf 'x /* 3 */\n' >out/x.c
"$cstrip" --strip -v -j 2 -d out src out/x.c >verbose 2>errors
check "a batch with failures exits 1" test $? = 1
check "  ... converting the other files" test "$(cat out/src/a.c out/src/sub/b.h)" = "$(printf 'a \nb ')"
check "  ... leaving out what --include does not name" test ! -e out/src/notes.txt
check "  ... reporting each failure on a line naming its file" \
  test "$(grep -c -e 'utf16.c.*UTF-16' -e 'out[/\\]x.c.*is the input' errors)" = 2
check "  ... and leaving the same-file input intact" test "$(cat out/x.c)" = 'x /* 3 */'
check "-v prints each output and its count" grep -q "out[/\\]src[/\\]a.c	1" verbose

"$cstrip" --lower --include '*.txt' -d txt src >/dev/null 2>&1
check "--include chooses the names" test -e txt/src/notes.txt -a ! -e txt/src/a.c
"$cstrip" --strip -d dup src/a.c src/sub/../a.c 2>errors
check "two inputs for one output are a usage error" test $? = 2 -a ! -e dup
for arguments in "--strip --lower in.c x.c" "--strip in.c" "--strip -j 0 -d d in.c" "--bogus" \
  "-v in.c x.c"; do
  # shellcheck disable=SC2086
  "$cstrip" $arguments 2>errors
  check "'$arguments' is a usage error" test $? = 2 -a -s errors
done
check "--help works without a display" sh -c '"$0" --help | grep -q cstrip' "$cstrip"
check "--version too" sh -c '"$0" --version | grep -q "^cstrip [0-9]"' "$cstrip"
LANG=ja_JP.UTF-8 "$cstrip" --strip none.c y.c 2>errors
check "messages follow the locale" grep -q 入力ファイル errors

finish
