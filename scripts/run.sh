#!/usr/bin/env bash
# Installs what is missing, builds cstrip and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
if [[ -x build/release/app/cstrip ]]; then
  exec build/release/app/cstrip
fi
echo "Built the engine: build/release/engine/engine-run (the window is not part of the build yet)."
