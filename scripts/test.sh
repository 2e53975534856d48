#!/usr/bin/env bash
# Installs what is missing, then runs every test: the format check, the
# tests of a build with warnings as errors, the fuzzer for FUZZ_SECONDS
# (default 60), the tests again in a build under AddressSanitizer and
# UndefinedBehaviorSanitizer, and then the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCSTRIP_WERROR=ON
cmake --build build/release
ctest --test-dir build/release --output-on-failure

scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCSTRIP_WERROR=ON \
  -DCSTRIP_SANITIZE=ON
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure

scripts/test-windows.sh build/release/app/engine-run
