#!/usr/bin/env bash
# Installs what is missing, builds cstrip and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
exec build/release/app/cstrip
