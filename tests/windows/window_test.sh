#!/bin/sh
# window_test.sh WINE FORM1_DRIVER CSTRIP_EXE ENGINE_RUN: the Windows window,
# driven under Wine by form1_driver, writes in each mode the same bytes as
# the engine built for Linux, and EXIT during a long run leaves no output.
# Needs an X display (Xvfb).
set -u
. "$(dirname "$0")/../support/check.sh"
wine=$1
driver=$2
cstrip=$3
engine=$(realpath "$4")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Shift-JIS with a trail byte that is a backslash or a letter, comments,
# strings and every kind of line end.
printf 'int A; /* \223\372\226\173 \203\134 */\r\n\r\nchar *s = "//\203\101"; // B\r\nX\rY\nEnd' >"$dir/in.c"
# A long input without touching the disk: a few lines, then a sparse 4 GiB.
printf 'int a; /* x */\r\n%.0s' $(seq 100) >"$dir/big.c"
truncate -s 4G "$dir/big.c"

# IPA Gothic for Windows' UI font, so that captions have real Japanese glyphs.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAGothic /f \
  >/dev/null
"$wine" "$driver" "$cstrip" "Z:$(printf %s "$dir" | tr / '\\')"
check "the driver's checks pass" test $? = 0

for mode in strip strip-c lower upper; do
  "$engine" "$mode" "$dir/in.c" "$dir/$mode.engine" >/dev/null
  check "GO's $mode writes what the engine writes" cmp -s "$dir/$mode.out" "$dir/$mode.engine"
done

check "EXIT mid-run leaves no output and no temporary" \
  sh -c "! ls -a '$dir' | grep -q -e exit.out -e cstrip-"

finish
