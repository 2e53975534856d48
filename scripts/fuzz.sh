#!/usr/bin/env bash
# Builds the fuzzer with clang and runs it for SECONDS (default 60). It
# compares each fast run with its byte-by-byte reference and stops at the
# first difference, leaving the input as crash-* in build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
  echo "fuzz: clang with libFuzzer is missing (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCSTRIP_FUZZ=ON -DCSTRIP_BUILD_UI=OFF -DBUILD_TESTING=OFF -DCSTRIP_WERROR=ON
cmake --build build/fuzz --target runs_fuzzer

corpus=build/fuzz/corpus
mkdir -p "$corpus"
echo "fuzz: ${seconds}s"
log=build/fuzz/runs.log
if ! (cd build/fuzz && ./fuzz/runs_fuzzer -max_total_time="$seconds" -max_len=20000 \
        -dict=../../fuzz/c_marks.dict -print_final_stats=1 ../../"$corpus") >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "fuzz: found a difference or a fault; see $log" >&2
  exit 1
fi
grep -E "^stat::number_of_executed_units" "$log" || true
echo "fuzz: no difference found"
