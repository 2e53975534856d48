#!/bin/sh
# cli_test.sh CSTRIP ENGINE_RUN: the command line converts as the engine does
# (engine-run drives the engine as the window does), reports failures per
# file and goes on, refuses bad usage before converting anything, and never
# writes outside its output, through a link, or a partial output.
# CSTRIP may be the Windows program run by Wine, which shows paths with
# Windows' separator and sees no links, modes or signals.
set -u
. "$(dirname "$0")/support/check.sh"
cstrip=$(realpath "$1")
engine=$(realpath "$2")
case $cstrip in *wine*) windows=true ;; *) windows=false ;; esac
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export LANG=C.UTF-8 LC_ALL= LC_MESSAGES=
umask 022

printf 'int A; /* \223\372\226\173 */\r\n\r\nchar *s = "//"; // B\r\nEnd' >in.c
for mode in strip strip-c lower upper; do
  "$engine" "$mode" in.c engine.out >/dev/null
  "$cstrip" --"$mode" in.c cli.out
  check "--$mode writes what the engine writes" cmp -s cli.out engine.out
  "$cstrip" --"$mode" <in.c >piped.out
  check "  ... from standard input to standard output" cmp -s piped.out engine.out
  "$cstrip" --"$mode" -v in.c >piped.out 2>notes
  check "  ... from IN to standard output, -v on stderr" \
    sh -c 'cmp -s piped.out engine.out && grep -q "^-	" notes'
done
cat in.c | "$cstrip" --upper - - >piped.out
check "  ... and from a pipe" cmp -s piped.out engine.out

mkdir -p src/sub
printf 'a /* 1 */\n' >src/a.c
printf 'b // 2\n' >src/sub/b.h
printf 'not C\n' >src/notes.txt
printf '\377\376a\000' >src/utf16.c
"$cstrip" --strip -v -j 2 -d out src >verbose 2>errors
check "a batch with failures exits 1" test $? = 1
check "  ... converting the other files" test "$(cat out/src/a.c out/src/sub/b.h)" = "$(printf 'a \nb ')"
check "  ... leaving out what --include does not name" test ! -e out/src/notes.txt
check "  ... reporting each failure on a line naming its file" grep -q 'utf16.c.*UTF-16' errors
check "  ... with no output for it" test ! -e out/src/utf16.c
check "-v prints each output and its count" grep -q "out[/\\]src[/\\]a.c	1" verbose
rm src/utf16.c

"$cstrip" --lower --include '*.txt' -d txt src >/dev/null 2>&1
check "--include chooses the names" test -e txt/src/notes.txt -a ! -e txt/src/a.c
for arguments in "--strip --lower in.c x.c" "--strip in.c x.c y.c" "--strip -j 0 -d d in.c" "--bogus" \
  "-v in.c x.c" "--strip --keep-lines in.c x.c" "--strip-c --strip in.c x.c" "--strip=no in.c x.c" \
  "--strip -i -" "--strip -d d -" "--strip --backup=.b in.c x.c" "--strip --parents in.c x.c" \
  "--strip -style x in.c x.c" "--strip --output-dir= in.c" "--strip -i --backup= in.c"; do
  # shellcheck disable=SC2086
  "$cstrip" $arguments 2>errors
  check "'$arguments' is a usage error" test $? = 2 -a -s errors
done
check "--help works without a display" sh -c '"$0" --help | grep -q cstrip' "$cstrip"
check "--version too" sh -c '"$0" --version | grep -q "^cstrip [0-9]"' "$cstrip"
# Runs cstrip under a Japanese locale, its stderr into errors, in UTF-8
# (cstrip.com writes it into a file in CP932 on Japanese Windows: see
# tests/windows/console_test.sh).
japanese() {
  LANG=ja_JP.UTF-8 "$cstrip" "$@" 2>errors
  ! $windows || { iconv -f CP932 -t UTF-8 errors >errors.utf8 && mv errors.utf8 errors; }
}
japanese --strip none.c y.c
check "messages follow the locale" grep -q 入力ファイル errors
japanese --bogus
check "  ... the parser's too" sh -c '! grep -q "[a-z][a-z] [a-z]" errors && grep -q オプション errors'
if ! $windows; then
  LANGUAGE=ja:en LANG=en_US.UTF-8 "$cstrip" --strip none.c y.c 2>errors
  check "  ... LANGUAGE first" grep -q 入力ファイル errors
  LANGUAGE=ja LANG=C "$cstrip" --strip none.c y.c 2>errors
  check "  ... but not under the C locale" grep -q 'input file' errors
  "$cstrip" in.c y.c 2>errors
  check "no display: a window request is refused in one line naming the conversions" \
    sh -c 'test $0 = 2 -a "$(wc -l <errors)" = 1 && grep -q -- "--strip-c.*--strip.*--lower.*--upper" errors' $?
fi

printf 'int a;\r\n/* one\r\ntwo */ int b; /* open\r\n' >open.c
"$cstrip" --strip-c open.c open.out 2>errors
check "an unclosed /* is a warning naming the file and line, exit 0" \
  sh -c 'test $0 = 0 && grep -q "open.c.*line 3" errors' $?
check "  ... and runs to the end" test "$(od -An -c open.out | tr -d ' ')" = 'inta;\r\nintb;'
"$cstrip" --strip-c --keep-lines open.c open.out 2>/dev/null
check "--keep-lines keeps the line count" test "$(tr -cd '\n' <open.out | wc -c)" = 3

# The hazards of real trees and shells. Each row runs COMMAND in a fresh
# tree t/, with its output in out.log and errors in err.log, and then checks
# the exit status and that HOLDS. WHERE is all, posix or windows.
#   t/src/a.c (mode 640), t/src/sub/b.h, t/victim/keep.txt, and on POSIX
#   t/src/config.h -> a.c, t/src/evil.c -> ../victim/keep.txt,
#   t/src/dangling.c -> none.c, t/src/loop -> ., the FIFO t/src/fifo.c
if $windows; then case_twins=2; else case_twins=0; fi
sjis=$(printf '\225\134.c')  # 表.c, named in CP932
while IFS='|' read -r where what status command holds; do
  case $where in all | "") ;; posix) ! $windows || continue ;; windows) $windows || continue ;; esac
  rm -rf t && mkdir -p t/src/sub t/victim && cd t || exit 1
  printf 'a /* 1 */\n' >src/a.c && chmod 640 src/a.c
  printf 'b // 2\n' >src/sub/b.h
  printf 'keep\n' >victim/keep.txt
  if ! $windows; then
    ln -s a.c src/config.h && ln -s ../victim/keep.txt src/evil.c && ln -s none.c src/dangling.c
    ln -s . src/loop && mkfifo src/fifo.c
  fi
  eval "$command" >out.log 2>err.log
  got=$?
  check "$what" eval "test $got = $status && { $holds; }"
  cd .. || exit 1
done <<'EOF'
posix|links met in a walk are made again, never followed|0|"$cstrip" --strip -v -d out src|test "$(readlink out/src/evil.c)" = ../victim/keep.txt -a "$(readlink out/src/dangling.c)" = none.c -a "$(cat victim/keep.txt)" = keep
posix|  ... FIFOs passed over, named under -v|0|"$cstrip" --strip -v -d out src|test ! -e out/src/fifo.c && grep -q 'src/fifo.c	' out.log
posix|-L follows them, reporting the dangling one it would convert and the loop|1|ln -s none src/README && "$cstrip" --strip -L -d out src|test "$(cat out/src/config.h out/src/evil.c)" = "$(printf 'a \nkeep')" && grep -q dangling.c err.log && ! grep -q README err.log && test "$(grep -c loop err.log)" = 1
posix|a link in DIR at an output is replaced, not written through|0|mkdir -p out/src && ln -s ../../victim/keep.txt out/src/a.c && ln -s ../victim/keep.txt out/b.h && "$cstrip" --strip -d out src src/sub/b.h|test ! -L out/src/a.c -a ! -L out/b.h -a "$(cat victim/keep.txt)" = keep
posix|  ... as is one at an output folder, even one leading to the inputs|0|mkdir out && ln -s ../src out/src && "$cstrip" --strip -d out src|test ! -L out/src -a "$(cat src/a.c)" = "a /* 1 */"
all|an operand .. is named by its real folder, inside DIR|0|(cd src/sub && "$cstrip" --strip -d out ..)|test -e src/sub/out/src/a.c -a "$(cat src/sub/b.h)" = "b // 2"
all|an empty -d is a usage error, not IN OUT|2|"$cstrip" --strip -d "" src/a.c src/sub/b.h|test "$(cat src/sub/b.h)" = "b // 2"
all|DIR as an operand is a usage error|2|mkdir out && "$cstrip" --strip -d out src out|test ! -e out/src
all|  ... and DIR inside an operand is never walked|0|"$cstrip" --strip -d src/out src && "$cstrip" --strip -d src/out src|test -e src/out/src/a.c -a ! -e src/out/src/out
all|  ... as is an operand inside DIR|2|"$cstrip" --strip -d src src/a.c|test "$(cat src/a.c)" = "a /* 1 */"
posix|an output that is an input, by a hard link, is a usage error|2|mkdir -p out/src && ln src/a.c out/src/a.c && "$cstrip" --strip -d out src|test "$(cat src/a.c)" = "a /* 1 */"
all|two inputs for one output are a usage error|2|"$cstrip" --strip -d out src/a.c src/sub/../a.c|test ! -e out
all|  ... as are a file and a folder of one name|2|mkdir -p q/b.h && printf y >q/b.h/y.c && "$cstrip" --strip -d out src/sub/b.h q/b.h|test ! -e out
all|names that differ only in case are one output where names ignore case|$case_twins|mkdir X Y && printf x >X/X.c && printf y >Y/x.c && "$cstrip" --strip -d out X/X.c Y/x.c|true
posix|names that differ only in encoding are two outputs|0|mkdir u s && printf 1 >u/表.c && printf 2 >"s/$sjis" && "$cstrip" --strip -j 1 -d out "s/$sjis" u/表.c|test "$(cat out/表.c)$(cat "out/$sjis")" = 12
posix|a new output takes the input's mode less the umask|0|chmod 4750 src/a.c && "$cstrip" --strip src/a.c new.c|test "$(stat -c %a new.c)" = 750
posix|an existing output keeps its mode, never wider than the input's|0|printf x >kept.c && chmod 604 kept.c && "$cstrip" --strip src/a.c kept.c|test "$(stat -c %a kept.c)" = 600
posix|a closed standard output is reported as such|1|"$cstrip" --strip src/a.c - >&-|grep -q 'descriptor' err.log
posix|/dev/stdout is written where the shell points it, not replaced|0|ln -s /dev/stdout so && { echo h; "$cstrip" --strip src/a.c /dev//stdout && "$cstrip" --strip src/a.c so; echo f; } >>log|test "$(cat log)" = "$(printf 'h\na \na \nf')"
posix|names quote their control characters|0|printf x >"src/$(printf 'n\nl\033.c')" && "$cstrip" --strip -v -d out src|grep -q 'src.n\\nl\\033.c	0$' out.log
all|-- ends the options, for a file named like a window option|0|cp src/a.c ./-style && "$cstrip" --strip -- -style o.c|test "$(cat o.c)" = "a "
posix|-i converts in place, keeping the mode; a link becomes a file, its target kept|0|cp src/a.c m.c && ln -s m.c l.c && "$cstrip" --strip -i src/a.c l.c|test "$(cat src/a.c)$(cat l.c)$(stat -c %a src/a.c)" = "a a 640" -a ! -L l.c -a "$(cat m.c)" = "a /* 1 */"
all|  ... --backup keeping the original beside it|0|"$cstrip" --strip -i --backup=.orig src/a.c|test "$(cat src/a.c.orig)" = "a /* 1 */" -a "$(cat src/a.c)" = "a "
posix|  ... and a file named twice is a usage error|2|"$cstrip" --strip -i src/a.c src/config.h|test "$(cat src/a.c)" = "a /* 1 */"
all|patterns split at ; and blanks, match paths below the folder and **/ any depth|0|mkdir src/sub/deep && printf x >src/sub/deep/x.c && printf y >src/sub/deep/y.h && "$cstrip" --strip -d out --include '*.c; sub/*.h' --exclude '**/x.c' src|test -e out/src/a.c -a -e out/src/sub/b.h -a ! -e out/src/sub/deep
all|a folder in which nothing matched is reported, and fails the run|1|mkdir src/none && "$cstrip" --strip -d out src/none src/a.c|grep -q none err.log && test -e out/a.c
all|--parents keeps the path given, --files-from -0 reads the names|0|printf './src/a.c\0src/sub/b.h\0' >list && "$cstrip" --strip --parents -0 --files-from=- -d out <list|test -e out/src/a.c -a -e out/src/sub/b.h
all|-n prints the outputs and writes nothing, reporting inputs that would fail|1|"$cstrip" --strip -n -d out src/a.c none.c|test ! -e out && grep -q 'out.a.c' out.log && grep -q none.c err.log
all|a write error on standard output is reported|1|"$cstrip" --help >/dev/full|grep -q 'write error' err.log
all|  ... -v's too|1|"$cstrip" --strip -v -d out src >/dev/full|grep -q 'write error' err.log
EOF

# A walk goes on past an unreadable folder, naming it, and through a tree
# deeper than the descriptors it may open; a batch runs with the threads
# the system gives.
if ! $windows; then
  deep=deep
  for _ in $(seq 150); do deep=$deep/d; done
  mkdir -p "$deep" unreadable/locked unreadable/listed && printf 'x\n' >"$deep/f.c"
  cp src/a.c unreadable/ && cp src/a.c unreadable/b.c && cp src/a.c unreadable/listed/
  chmod 777 "$dir" unreadable && chmod 000 unreadable/locked && chmod 444 unreadable/listed
  user=""
  [ "$(id -u)" = 0 ] && user="setpriv --reuid=65534 --regid=65534 --clear-groups"
  $user "$cstrip" --strip -d "$dir/open" unreadable 2>errors
  check "an unreadable folder fails the batch" test $? = 1
  check "  ... naming it, while the rest is converted" \
    sh -c 'grep -q "unreadable/locked" errors && test -e open/unreadable/a.c'
  check "  ... as does one that can be listed but not entered" grep -q "unreadable/listed" errors
  # (LeakSanitizer, where built in, needs a thread of its own at exit.)
  ASAN_OPTIONS=detect_leaks=0 $user prlimit --nproc=1 "$cstrip" --strip -j 8 -d "$dir/few" \
    unreadable 2>/dev/null
  check "no thread to spare: -j 8 runs on the one it has" test $? = 1 -a -e few/unreadable/a.c
  chmod 700 "$dir" unreadable/locked unreadable/listed
  (ulimit -n 20 && "$cstrip" --strip -d far deep)
  check "a walk needs no descriptor per level" test -e "far/$deep/f.c"
fi

# On a terminal, long work shows its progress on stderr; a failure's line
# clears it first, and 100% comes only once every file is done.
if ! $windows; then
  mkdir many && for i in $(seq 100); do printf 'x\n' >"many/f$i.c"; done
  printf 'int a; /*' >many/a.c && truncate -s 1G many/a.c && printf '\377\376a\000' >many/z.c
  script -qec "'$cstrip' --strip -j 1 -d progress many" /dev/null | tr '\r' '\n' |
    sed 's/\x1b\[K//g' >pty.log
  check "progress on a terminal stands apart from a failure's line" \
    sh -c 'grep -q "% (" pty.log && grep -q "^cstrip: .*z.c" pty.log'
  check "  ... and shows 100% only at the end" \
    sh -c '! grep "^100% (" pty.log | grep -qv "^100% (102 of 102"'
fi

# Stopped by a signal mid-run: the earlier output stays, and no temporary.
# The input is one long comment, so that the run writes next to nothing.
if ! $windows; then
  printf 'int a; /*' >big.c && truncate -s 16G big.c && printf 'old\n' >big.out
  "$cstrip" --strip big.c big.out &
  pid=$!
  sleep 0.5 && kill -TERM "$pid"
  wait "$pid"
  check "SIGTERM mid-run exits 128 + 15" test $? = 143
  check "  ... leaving the earlier output and no temporary" \
    sh -c 'test "$(cat big.out)" = old && ! ls -a | grep -q cstrip-'
fi

finish
