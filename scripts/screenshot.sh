#!/usr/bin/env bash
# Remakes docs/window.png: the window as it looks on a real X server at
# 96 DPI, with Debian's Japanese font. Needs the build of scripts/run.sh.
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

binary=${1:-build/release/app/cstrip}
display=:$(( 90 + RANDOM % 9 ))
Xvfb "$display" -screen 0 640x480x24 -dpi 96 -nolisten tcp &
xvfb=$!
trap 'kill "$app" "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

DISPLAY=$display QT_QPA_PLATFORM=xcb "$binary" &
app=$!
for _ in $(seq 100); do
  window=$(DISPLAY=$display xwininfo -root -tree 2>/dev/null |
    awk '/"C言語コメント削除"/ {print $1; exit}')
  [[ -n $window ]] && break
  sleep 0.1
done
sleep 1  # let it paint
DISPLAY=$display import -window "$window" docs/window.png
echo "wrote docs/window.png"
