#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: a build with
# warnings as errors, a second one under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzzer for FUZZ_SECONDS (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCSTRIP_WERROR=ON
cmake --build build/release
ctest --test-dir build/release --output-on-failure

scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCSTRIP_WERROR=ON \
  -DCSTRIP_SANITIZE=ON
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure
