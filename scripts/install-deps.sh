#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running cstrip
# need, skipping those already present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config  # the build
  libcli11-dev                      # the command line's argument parser
  libgtest-dev libgmock-dev         # the tests
  clang-format                      # the format check
  clang libclang-rt-14-dev          # the fuzzers (libFuzzer)
  qt6-base-dev qt6-translations-l10n # the window, with Qt's own texts in Japanese
  libqt6svg6                        # the window's icon
  dpkg-dev desktop-file-utils help2man lintian appstream  # the Debian package and its checks
  fonts-ipafont-gothic              # Japanese captions
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
(( ${#missing[@]} == 0 )) && exit 0

sudo=()
(( $(id -u) != 0 )) && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
