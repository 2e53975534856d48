#!/usr/bin/env bash
# install-deps.sh [linux] [windows]: installs the Debian 12 packages that
# building, testing and running cstrip need, skipping those already present.
# linux (the default): the Linux program and its tests. windows: the
# Windows build (MinGW-w64), its icon and zip, and Wine with Xvfb to test it.
set -euo pipefail

linux=(
  cmake ninja-build g++ pkg-config  # the build
  libgtest-dev libgmock-dev         # the tests
  clang-format                      # the format check
  clang libclang-rt-14-dev          # the fuzzers (libFuzzer)
  qt6-base-dev qt6-translations-l10n # the window, with Qt's own texts in Japanese
  libqt6svg6                        # the window's icon
  dpkg-dev desktop-file-utils lintian appstream  # the Debian package and its checks
  fonts-ipafont-gothic              # Japanese captions
  zsh fish                          # checking the shell completions
)
windows=(
  cmake ninja-build googletest       # the build, with GoogleTest's sources
  g++-mingw-w64-x86-64-posix        # the cross compiler, with std::thread
  librsvg2-bin icoutils             # the icon, drawn from the SVG
  zip                               # the package
  wine64 xvfb xauth                 # running it and its tests
  fonts-ipafont-gothic fonts-wine   # Japanese captions and Windows' own glyphs under Wine
)

sudo=()
(( $(id -u) != 0 )) && sudo=(sudo)
updated=false

# install [apt-get options...] -- packages...: installs those not yet installed.
install() {
  local options=() missing=() package
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  (( ${#missing[@]} == 0 )) && return
  echo "Installing: ${missing[*]}"
  $updated || "${sudo[@]}" apt-get update -qq
  updated=true
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${options[@]}" "${missing[@]}"
}

for group in "${@:-linux}"; do
  case $group in
    linux) install -- "${linux[@]}" ;;
    # Wine's recommendations (32-bit Wine, Mono, Gecko) are not needed here.
    windows) install --no-install-recommends -- "${windows[@]}" ;;
    *) echo "install-deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done
