#!/usr/bin/env bash
# The benchmark: makes its corpora on tmpfs, times a plain copy, the three
# engine runs and some well-known peers on each, and prints one table with
# the median time, the throughput, the ratio to the copy (the median of the
# ratios of runs paired with a copy run) and the peak memory.
# Then it times runs through the real window (offscreen) against engine-run
# on the file of short lines, and the command line over many files with one
# and two jobs. RUNS=n sets the runs per command (default 3,
# after one warm-up). Needs about 6 GiB free in /dev/shm.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}

if ! [[ -x /usr/bin/time ]]; then
  sudo=(); (( $(id -u) != 0 )) && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench --target engine-run window-bench cstrip >/dev/null
engine=$PWD/build/bench/app/engine-run
cstrip=$PWD/build/bench/app/cstrip
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
fill bench/sjis_sample.c "$work/utf8-ja.c" $((512 << 20))
# The cut at 512 MiB may split a character; keep the corpus valid UTF-8.
while ! iconv -f UTF-8 -t UTF-8 "$work/utf8-ja.c" >/dev/null 2>&1; do
  truncate -s -1 "$work/utf8-ja.c"
done
(set +o pipefail; yes $'x = 1;\r' | head -n 10500000 >"$work/short-lines.txt")
tr -d '\r\n' <"$work/headers" >"$work/headers-one-line"
fill "$work/headers-one-line" "$work/one-line-1g.c" $((1 << 30))
rm "$work/headers" "$work/sample-sjis" "$work/headers-one-line"

# Wall-clock seconds of one run of a command, to the microsecond; its peak
# resident memory in KiB (from /usr/bin/time) goes to the file $peakFile.
timeOnce() {
  local start kib
  start=$EPOCHREALTIME
  kib=$(/usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1)
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }'
  echo "$kib" >>"$peakFile"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Times a command RUNS times, each run right after a run of the plain copy
# of the same input, so that both see the same load on a shared machine.
# Prints "median-seconds median-ratio-to-copy peak-KiB".
measure() {
  local input=$1 seconds ratios=() times=() copy
  shift
  peakFile=$work/peak
  : >"$peakFile"
  for _ in $(seq "$runs"); do
    copy=$(timeOnce dd if="$input" of="$work/copy" bs=64K)
    seconds=$(timeOnce "$@")
    times+=("$seconds")
    ratios+=("$(awk -v a="$seconds" -v b="$copy" 'BEGIN { printf "%.4f", a / b }')")
    echo "$copy" >>"$work/copy-times"
  done
  sed -n '1~2p' "$peakFile" >>"$work/copy-peaks"  # odd lines: the copies
  sed -i '1~2d' "$peakFile"
  printf '%s %s %s\n' "$(printf '%s\n' "${times[@]}" | median)" \
    "$(printf '%s\n' "${ratios[@]}" | median)" "$(sort -n "$peakFile" | tail -n 1)"
}

perlStrip='s{/\*.*?\*/|//[^\n]*|("(?:\\.|[^"\\])*")}{defined $1 ? $1 : ""}gse'
out=$work/out

printf '\n%-16s %-22s %9s %9s %8s %9s\n' corpus command "median s" "MiB/s" "x copy" "peak MiB"
report() {  # corpus command size seconds ratio peak-KiB
  awk -v c="$1" -v n="$2" -v size="$3" -v s="$4" -v r="$5" -v kb="$6" 'BEGIN {
    printf "%-16s %-22s %9.3f %9.0f %8.2f %9.1f\n", c, n, s, size / 1048576 / s, r, kb / 1024
  }'
}

for corpus in c-headers.c sjis-crlf.c utf8-ja.c short-lines.txt one-line-1g.c; do
  input=$work/$corpus
  size=$(stat -c %s "$input")
  : >"$work/copy-times"
  : >"$work/copy-peaks"
  rows=()
  for mode in strip lower upper; do
    "$engine" "$mode" "$input" "$out" >/dev/null  # warm-up
    read -r seconds ratio peak < <(measure "$input" "$engine" "$mode" "$input" "$out")
    rows+=("engine-run $mode|$seconds|$ratio|$peak")
    echo "$corpus $mode $seconds" >>"$work/engine-times"
  done
  read -r seconds ratio peak < <(measure "$input" sh -c 'tr A-Z a-z <"$1" >"$2"' sh "$input" "$out")
  rows+=("tr A-Z a-z|$seconds|$ratio|$peak")
  read -r seconds ratio peak < <(measure "$input" dd if="$input" of="$out" bs=64K conv=lcase)
  rows+=("dd conv=lcase|$seconds|$ratio|$peak")
  if [[ $corpus == c-headers.c || $corpus == sjis-crlf.c ]]; then
    read -r seconds ratio peak < <(measure "$input" \
      sh -c 'perl -0777 -pe "$0" <"$1" >"$2"' "$perlStrip" "$input" "$out")
    rows+=("perl regex strip|$seconds|$ratio|$peak")
  fi
  copy=$(median <"$work/copy-times")
  report "$corpus" "copy (dd bs=64K)" "$size" "$copy" 1 "$(sort -n "$work/copy-peaks" | tail -n 1)"
  for row in "${rows[@]}"; do
    IFS='|' read -r name seconds ratio peak <<<"$row"
    report "$corpus" "$name" "$size" "$seconds" "$ratio" "$peak"
  done
done

echo
echo "Through the window (offscreen) on short-lines.txt, each run paired with an engine-run:"
printf '%-8s %10s %10s %8s %16s\n' mode "window s" "engine s" ratio "longest gap ms"
pairs=$(( runs > 5 ? runs : 5 ))
for mode in strip lower; do
  input=$work/short-lines.txt
  QT_QPA_PLATFORM=offscreen "$window" "$mode" "$input" "$out" >/dev/null 2>&1
  : >"$work/window-pairs"
  for _ in $(seq "$pairs"); do
    start=$EPOCHREALTIME
    "$engine" "$mode" "$input" "$out" >/dev/null
    engineSeconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
    read -r windowSeconds gap _ < <(QT_QPA_PLATFORM=offscreen "$window" "$mode" "$input" "$out" 2>/dev/null)
    echo "$windowSeconds $engineSeconds $gap" >>"$work/window-pairs"
  done
  printf '%-8s %10.3f %10.3f %8.2f %16.1f\n' "$mode" \
    "$(awk '{ print $1 }' "$work/window-pairs" | median)" \
    "$(awk '{ print $2 }' "$work/window-pairs" | median)" \
    "$(awk '{ print $1 / $2 }' "$work/window-pairs" | median)" \
    "$(awk '{ print $3 }' "$work/window-pairs" | sort -n | tail -n 1)"
done

echo
echo "The command line over many files (2,000 files of 100 KiB; 10,000 empty files):"
mkdir -p "$work/tree" "$work/empty"
head -c $((2000 * 102400)) "$work/c-headers.c" |
  split -b 102400 -a 4 -d --additional-suffix=.c - "$work/tree/part-"
(cd "$work/empty" && seq -f '%05g.c' 10000 | xargs touch)
: >"$work/batch-pairs"
for _ in $(seq "$pairs"); do
  rm -rf "$work/out1" "$work/out2"
  start=$EPOCHREALTIME
  "$cstrip" --strip -j 1 -d "$work/out1" "$work/tree"
  one=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  start=$EPOCHREALTIME
  "$cstrip" --strip -j 2 -d "$work/out2" "$work/tree"
  two=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  echo "$one $two" >>"$work/batch-pairs"
done
rm -rf "$work/out1" "$work/out2"
start=$EPOCHREALTIME
"$cstrip" --strip -d "$work/out-empty" "$work/empty"
empty=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
printf '%-28s %10s %10s %8s\n' corpus "-j 1 s" "-j 2 s" "ratio"
printf '%-28s %10.3f %10.3f %8.2f\n' "2,000 files, 200 MiB" \
  "$(awk '{ print $1 }' "$work/batch-pairs" | median)" \
  "$(awk '{ print $2 }' "$work/batch-pairs" | median)" \
  "$(awk '{ print $2 / $1 }' "$work/batch-pairs" | median)"
printf '%-28s %10s\n' "10,000 empty files" "$empty s"
