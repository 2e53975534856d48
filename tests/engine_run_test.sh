#!/bin/sh
# engine_run_test.sh ENGINE_RUN: its count line, its failures and its usage.
set -u
. "$(dirname "$0")/support/check.sh"
run=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

printf 'a /* x */\nb\n' >"$dir/in.c"
check "prints the final count" test "$("$run" strip "$dir/in.c" "$dir/out.c")" = 2
check "writes the output" test "$(cat "$dir/out.c")" = "$(printf 'a \nb')"
"$run" lower "$dir/in.c" "$dir/out.c" >/dev/full 2>"$dir/err"
check "a count line that cannot be written is a reported failure" \
  test $? = 1 -a -s "$dir/err"
"$run" strip "$dir/none.c" "$dir/out.c" >/dev/null 2>"$dir/err"
check "a failed run names the file" test $? = 1
check "  ... on stderr" grep -q none.c "$dir/err"
head -c 100000 /dev/zero >"$dir/big.c"
(ulimit -f 8; "$run" lower "$dir/big.c" "$dir/out.c") >/dev/null 2>"$dir/err"
check "a file-size limit is a reported failure, not a signal" test $? = 1
check "  ... naming the output" grep -q out.c "$dir/err"
# A pipe cannot be read twice: its encoding is decided from its first 256 KiB.
printf '\343\201\202a\r\n' | "$run" upper /dev/stdin "$dir/out.c" >/dev/null
check "a pipe of UTF-8 is read as UTF-8" test "$(cat "$dir/out.c")" = "$(printf '\343\201\202A\r\n')"
{ head -c 300000 /dev/zero; printf '\202a'; } | "$run" upper /dev/stdin "$dir/out.c" >/dev/null
check "  ... judged by its first 256 KiB" test "$(tail -c 4 "$dir/out.c" | od -An -c | tr -d ' ')" = '202A\r\n'
{ head -c 100000 /dev/zero; printf '\377\202a'; } | "$run" upper /dev/stdin "$dir/out.c" >/dev/null
check "  ... however little each read brings" \
  test "$(tail -c 4 "$dir/out.c" | od -An -c | tr -d ' ')" = '202a\r\n'
printf '\343\201\202a\343' | "$run" upper /dev/stdin "$dir/out.c" >/dev/null
check "  ... and a short one by all of it" \
  test "$(od -An -c "$dir/out.c" | tr -d ' ')" = '343201202a343\r\n'
printf '\377\376a\000' >"$dir/utf16.c"
echo kept >"$dir/out.c"
"$run" strip "$dir/utf16.c" "$dir/out.c" >/dev/null 2>"$dir/err"
check "UTF-16 is refused" test $? = 1 -a "$(cat "$dir/out.c")" = kept
check "  ... saying so" grep -q UTF-16 "$dir/err"
"$run" sideways "$dir/in.c" "$dir/out.c" 2>"$dir/err"
check "an unknown mode is a usage error" test $? = 2 -a -s "$dir/err"

finish
