#!/usr/bin/env bash
# test-windows.sh [ENGINE_RUN]: builds the Windows programs with
# scripts/build-windows.sh and tests them under Wine, in a Wine prefix of
# their own: the engine's tests; the command line (tests/cli_test.sh through
# cstrip.com, and its Japanese text, tests/windows/console_test.sh); the
# window on Xvfb (tests/windows/window_test.sh). The command line and the
# window compare with ENGINE_RUN, the Linux build's engine-run (default
# build/release/app/engine-run).
set -euo pipefail
cd "$(dirname "$0")/.."

engine=$(realpath "${1:-build/release/app/engine-run}")
scripts/build-windows.sh

export WINEPREFIX=$PWD/build/windows/wine WINEDEBUG=-all
wine=/usr/lib/wine/wine64
# A new prefix, made without a display and without asking to download
# Mono or Gecko, which nothing here needs.
if [[ ! -d $WINEPREFIX ]]; then
  env -u DISPLAY WINEDLLOVERRIDES='mscoree,mshtml=' "$wine" wineboot --init
  /usr/lib/wine/wineserver -w
fi

display=:$(( 80 + RANDOM % 9 ))
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp &
xvfb=$!
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display

ctest --test-dir build/windows --output-on-failure

# cstrip.com as a command: Wine takes Windows' display language from the
# locale variables, LC_ALL first, so it gets the one the test asks for.
cat >build/windows/cstrip-wine <<EOS
#!/bin/sh
LC_ALL=\${LC_ALL:-\${LC_MESSAGES:-\$LANG}} exec $wine $PWD/build/windows/app/cstrip.com "\$@"
EOS
chmod +x build/windows/cstrip-wine
sh tests/cli_test.sh build/windows/cstrip-wine "$engine"
sh tests/windows/console_test.sh "$wine" build/windows/app/cstrip.com

# The command line ran without a display, and Wine's desktop keeps the
# display of the program that started it: a new one for the window.
/usr/lib/wine/wineserver -k || true
/usr/lib/wine/wineserver -w

sh tests/windows/window_test.sh "$wine" build/windows/tests/form1_driver.exe \
  build/windows/app/cstrip.exe "$engine"
