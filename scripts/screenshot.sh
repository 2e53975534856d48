#!/usr/bin/env bash
# screenshot.sh [CSTRIP [CSTRIP_EXE]]: remakes docs/window.png, the Linux
# window as it looks on a real X server at 96 DPI with Debian's Japanese
# font (CSTRIP, default: the build of scripts/run.sh), and
# docs/window-windows.png, the Windows window under Wine, in a Wine desktop
# that draws its frame as Windows does, with MS UI Gothic taken by the same
# font (CSTRIP_EXE, default: the build of scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(xvfb x11-utils imagemagick)
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    sudo=(); (( $(id -u) != 0 )) && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${packages[@]}"
    break
  fi
done
scripts/install-deps.sh windows

binary=${1:-build/release/app/cstrip}
windows_binary=${2:-build/windows/app/cstrip.exe}
display=:$(( 90 + RANDOM % 9 ))
Xvfb "$display" -screen 0 640x480x24 -dpi 96 -nolisten tcp &
xvfb=$!
export WINEPREFIX=$PWD/build/windows/screenshot-wine WINEDEBUG=-all
trap 'kill "$app" "$xvfb" 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

# window_id NAME: the X window named NAME, once it is there.
window_id() {
  local window
  for _ in $(seq 300); do
    window=$(DISPLAY=$display xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\"" \
      'index($0, name) {print $1; exit}')
    [[ -n $window ]] && { echo "$window"; return; }
    sleep 0.1
  done
  echo "screenshot.sh: no window named $1" >&2
  return 1
}

DISPLAY=$display QT_QPA_PLATFORM=xcb "$binary" &
app=$!
window=$(window_id C言語コメント削除)
sleep 1  # let it paint
DISPLAY=$display import -window "$window" docs/window.png
echo "wrote docs/window.png"
kill "$app"

wine=/usr/lib/wine/wine64
[[ -d $WINEPREFIX ]] || env -u DISPLAY WINEDLLOVERRIDES='mscoree,mshtml=' "$wine" wineboot --init
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAGothic /f \
  >/dev/null
DISPLAY=$display "$wine" explorer /desktop=shot,400x260 "$windows_binary" 'C:\src\main.c' &
app=$!
desktop=$(window_id "shot - Wine desktop")
# Painted once the picture holds more than the desktop's colour; then a
# moment more for the last controls.
for _ in $(seq 60); do
  DISPLAY=$display import -window "$desktop" build/windows/desktop.png
  (( $(convert build/windows/desktop.png -format %k info:) > 16 )) && break
  sleep 0.5
done
sleep 1
DISPLAY=$display import -window "$desktop" build/windows/desktop.png
# The desktop around the window goes: its colour is the bottom right corner's.
background=$(convert build/windows/desktop.png -format '%[pixel:p{399,259}]' info:)
convert build/windows/desktop.png -bordercolor "$background" -border 1 -fuzz 2% -trim +repage \
  docs/window-windows.png
echo "wrote docs/window-windows.png"
