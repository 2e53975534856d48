#!/usr/bin/env bash
# Builds cstrip for 64-bit Windows on Debian 12 with MinGW-w64, installing
# what is missing, into build/windows, and packs
# build/windows/cstrip-<version>-windows-x64.zip: cstrip.exe (the window),
# cstrip.com (the same program for consoles), a read-me and the licence.
# Both programs are linked statically: no DLLs, no installer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCSTRIP_WERROR=ON
cmake --build build/windows

version=$(sed -n 's/^project(cstrip VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=cstrip-$version-windows-x64
stage=build/windows/package/$name
rm -rf build/windows/package "build/windows/$name.zip"
mkdir -p "$stage"
cp build/windows/app/cstrip.exe build/windows/app/cstrip.com "$stage/"
# Windows text: CR LF line ends; a byte order mark, so that Notepad reads
# the read-me as UTF-8 on every version.
{ printf '\357\273\277'; sed 's/$/\r/' packaging/windows/README.txt; } >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
(cd build/windows/package && zip -qr -X "../$name.zip" "$name")
echo "wrote build/windows/$name.zip"
