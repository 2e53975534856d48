#!/usr/bin/env bash
# Installs what is missing, builds the two programs cstrip needs to open its
# window (not the tests), and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target cstrip cstrip-window
exec build/release/app/cstrip "$@"
