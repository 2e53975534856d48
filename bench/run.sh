#!/usr/bin/env bash
# The benchmark: makes its corpora on tmpfs, times a plain copy, the three
# engine runs and some well-known peers on each, and prints one table with
# the median time, the throughput, the ratio to the copy and the peak memory.
# Then it times runs through the real window (offscreen) against engine-run
# on the file of short lines. RUNS=n sets the runs per command (default 3,
# after one warm-up). Needs about 5 GiB free in /dev/shm.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}

if ! [[ -x /usr/bin/time ]]; then
  sudo=(); (( $(id -u) != 0 )) && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench --target engine-run window-bench >/dev/null
engine=$PWD/build/bench/engine/engine-run
window=$PWD/build/bench/bench/window-bench

work=$(mktemp -d /dev/shm/cstrip-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Repeats FILE's content into OUT until it holds exactly SIZE bytes, doubling.
fill() {
  local file=$1 out=$2 size=$3
  cp "$file" "$out"
  while (( $(stat -c %s "$out") < size )); do
    cat "$out" "$out" >"$out.next"
    mv "$out.next" "$out"
  done
  truncate -s "$size" "$out"
}

echo "Making the corpora in $work ..."
find /usr/include -name '*.h' -type f -print0 | sort -z | xargs -0 cat >"$work/headers"
fill "$work/headers" "$work/c-headers.c" $((512 << 20))
iconv -f UTF-8 -t CP932 bench/sjis_sample.c | sed 's/$/\r/' >"$work/sample-sjis"
fill "$work/sample-sjis" "$work/sjis-crlf.c" $((512 << 20))
(set +o pipefail; yes $'x = 1;\r' | head -n 10500000 >"$work/short-lines.txt")
tr -d '\r\n' <"$work/headers" >"$work/headers-one-line"
fill "$work/headers-one-line" "$work/one-line-1g.c" $((1 << 30))
rm "$work/headers" "$work/sample-sjis" "$work/headers-one-line"

# Runs a command RUNS times after a warm-up; prints "median-seconds peak-KiB".
# The time is the wall clock to the microsecond; the peak resident memory
# comes from /usr/bin/time.
measure() {
  local times=() peak=0 kib start
  "$@" >/dev/null 2>&1
  for _ in $(seq "$runs"); do
    start=$EPOCHREALTIME
    kib=$(/usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1)
    times+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')")
    (( kib > peak )) && peak=$kib
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")" "$peak"
}

perlStrip='s{/\*.*?\*/|//[^\n]*|("(?:\\.|[^"\\])*")}{defined $1 ? $1 : ""}gse'
out=$work/out

printf '\n%-16s %-22s %9s %9s %8s %9s\n' corpus command "median s" "MiB/s" "x copy" "peak MiB"
report() {  # corpus command size seconds peak copySeconds
  awk -v c="$1" -v n="$2" -v size="$3" -v s="$4" -v kb="$5" -v copy="$6" 'BEGIN {
    mib = size / 1048576
    printf "%-16s %-22s %9.3f %9.0f %8.2f %9.1f\n", c, n, s, (s > 0 ? mib / s : 0), (copy > 0 ? s / copy : 0), kb / 1024
  }'
}

for corpus in c-headers.c sjis-crlf.c short-lines.txt one-line-1g.c; do
  input=$work/$corpus
  size=$(stat -c %s "$input")
  read -r copy peak < <(measure dd if="$input" of="$out" bs=64K)
  report "$corpus" "copy (dd bs=64K)" "$size" "$copy" "$peak" "$copy"
  for mode in strip lower upper; do
    read -r seconds peak < <(measure "$engine" "$mode" "$input" "$out")
    report "$corpus" "engine-run $mode" "$size" "$seconds" "$peak" "$copy"
    echo "$corpus $mode $seconds" >>"$work/engine-times"
  done
  read -r seconds peak < <(measure sh -c 'tr A-Z a-z <"$1" >"$2"' sh "$input" "$out")
  report "$corpus" "tr A-Z a-z" "$size" "$seconds" "$peak" "$copy"
  read -r seconds peak < <(measure dd if="$input" of="$out" bs=64K conv=lcase)
  report "$corpus" "dd conv=lcase" "$size" "$seconds" "$peak" "$copy"
  if [[ $corpus == c-headers.c || $corpus == sjis-crlf.c ]]; then
    read -r seconds peak < <(measure sh -c 'perl -0777 -pe "$0" <"$1" >"$2"' "$perlStrip" "$input" "$out")
    report "$corpus" "perl regex strip" "$size" "$seconds" "$peak" "$copy"
  fi
done

echo
echo "Through the window (offscreen) on short-lines.txt, against engine-run:"
printf '%-8s %10s %10s %8s %16s\n' mode "window s" "engine s" ratio "longest gap ms"
for mode in strip lower; do
  input=$work/short-lines.txt
  QT_QPA_PLATFORM=offscreen "$window" "$mode" "$input" "$out" >/dev/null 2>&1
  results=()
  for _ in $(seq "$runs"); do
    results+=("$(QT_QPA_PLATFORM=offscreen "$window" "$mode" "$input" "$out" 2>/dev/null)")
  done
  median=$(printf '%s\n' "${results[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  gap=$(printf '%s\n' "${results[@]}" | awk '$2 > g { g = $2 } END { print g }')
  engineSeconds=$(awk -v m="$mode" '$1 == "short-lines.txt" && $2 == m { print $3 }' "$work/engine-times")
  awk -v m="$mode" -v w="${median%% *}" -v e="$engineSeconds" -v g="$gap" \
    'BEGIN { printf "%-8s %10.3f %10.3f %8.2f %16.1f\n", m, w, e, (e > 0 ? w / e : 0), g }'
done
