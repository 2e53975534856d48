#!/usr/bin/env bash
# The benchmark. Makes five corpora of 512 MiB on tmpfs and times the four
# engine runs on each, every run paired with a plain copy (dd bs=64K) of
# the same file run just before it, so that both see the same load on a
# shared machine. Prints what the readings came from (the processor, the
# byte kernels the engine chose on it and the copy's speed), then the
# median of the per-pair ratios to the copy as a table of modes by corpora,
# with each goal beside it and "!" where a ratio misses it, and the peak
# memory. Then it times runs through the real window
# (offscreen) against engine-run on the short lines, the command line over
# many files with one and two jobs, and a walk of 1,000 nested folders
# against cp -r, with its goal, and cstrip on a small file against engine-run.
#
# RUNS=n sets the runs per command (default 3, after one warm-up).
# CORPORA=dir keeps the corpora in dir, made once, for later runs.
# PEERS=1 also times tr, dd conv=lcase and a perl regex stripper.
# LEVELS=1 also times engine-run with each version of the byte kernels the
# machine runs (CSTRIP_KERNELS), the byte-by-byte one first.
# Needs about 3 GiB free in /dev/shm.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}

if ! [[ -x /usr/bin/time ]]; then
  sudo=(); (( $(id -u) != 0 )) && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench --target engine-run window-bench cstrip byte-kernels >/dev/null
engine=$PWD/build/bench/app/engine-run
kernels=$PWD/build/bench/bench/byte-kernels
cstrip=$PWD/build/bench/app/cstrip
window=$PWD/build/bench/bench/window-bench

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

# The system's C headers; C in Shift-JIS with CR LF line ends; Japanese C
# in UTF-8; short lines; dense text, where every other byte is significant
# to the stripper and no line ends.
corpora=(c-headers.c sjis-crlf.c utf8-ja.c short-lines.c dense.c)
names=("real C" "Shift-JIS" "UTF-8" "short lines" "dense")
# The goals, the worst ratio to the copy allowed, in the corpora's order.
declare -A goals=(
  [strip]="1.2 1.2 1.2 1.25 1.3"
  [lower]="1.1 1.1 1.1 1.1 1.1"
  [upper]="1.1 1.1 1.1 1.1 1.1"
  [strip-c]="1.4 1.4 1.4 1.5 1.6"
)
size=$((512 << 20))
if [[ -n ${CORPORA:-} ]]; then
  work=$CORPORA
  mkdir -p "$work"
else
  work=$(mktemp -d /dev/shm/cstrip-bench.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
if [[ ! -e $work/dense.c ]]; then
  echo "Making the corpora in $work ..."
  find /usr/include -name '*.h' -type f -print0 | sort -z | xargs -0 cat >"$work/headers"
  fill "$work/headers" "$work/c-headers.c" "$size"
  iconv -f UTF-8 -t CP932 bench/sjis_sample.c | sed 's/$/\r/' >"$work/sample-sjis"
  fill "$work/sample-sjis" "$work/sjis-crlf.c" "$size"
  fill bench/sjis_sample.c "$work/utf8-ja.c" "$size"
  # The cut may split a character; keep the corpus valid UTF-8.
  while ! iconv -f UTF-8 -t UTF-8 "$work/utf8-ja.c" >/dev/null 2>&1; do
    truncate -s -1 "$work/utf8-ja.c"
  done
  printf 'a=b;\n' >"$work/line"
  fill "$work/line" "$work/short-lines.c" "$size"
  printf 'x/y*z"w ' >"$work/dense"
  fill "$work/dense" "$work/dense.c" "$size"
  rm "$work/headers" "$work/sample-sjis" "$work/line" "$work/dense"
fi

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
# of the same input. Prints "median-seconds median-ratio-to-copy peak-KiB
# median-copy-seconds".
measure() {
  local input=$1 seconds ratios=() times=() copies=() copy
  shift
  peakFile=$work/peak
  : >"$peakFile"
  for _ in $(seq "$runs"); do
    copy=$(timeOnce dd if="$input" of="$work/copy" bs=64K)
    seconds=$(timeOnce "$@")
    times+=("$seconds")
    copies+=("$copy")
    ratios+=("$(awk -v a="$seconds" -v b="$copy" 'BEGIN { printf "%.4f", a / b }')")
  done
  sed -i '1~2d' "$peakFile"  # odd lines: the copies
  printf '%s %s %s %s\n' "$(printf '%s\n' "${times[@]}" | median)" \
    "$(printf '%s\n' "${ratios[@]}" | median)" "$(sort -n "$peakFile" | tail -n 1)" \
    "$(printf '%s\n' "${copies[@]}" | median)"
}

out=$work/out

# The rows of engine-run's ratios to the copy, mode by corpus, with the byte
# kernels whose key is $1 (the engine's own choice when empty), into $rows.
# Each ratio is marked "!" where it misses its goal. Adds the misses to
# $missed, the peak memory to $peakMost, and the median copy of each
# corpus, as bytes per second, to $copySpeeds.
engineRows() {
  local run=(env) mode goal i input ratio peak copy mark
  [[ -n $1 ]] && run+=("CSTRIP_KERNELS=$1")
  rows=$(printf '%-7s' mode; for name in "${names[@]}"; do printf ' %17s' "$name"; done)
  for mode in strip strip-c lower upper; do
    read -ra goal <<<"${goals[$mode]}"
    rows+=$'\n'$(printf '%-7s' "$mode")
    for i in "${!corpora[@]}"; do
      input=$work/${corpora[$i]}
      printf '\r%-60s\r' "${1:-engine-run} $mode ${names[$i]} ..." >&2
      "${run[@]}" "$engine" "$mode" "$input" "$out" >/dev/null  # warm-up
      read -r _ ratio peak copy < <(measure "$input" "${run[@]}" "$engine" "$mode" "$input" "$out")
      copySpeeds+=("$(awk -v b="$(stat -c %s "$input")" -v s="$copy" 'BEGIN { printf "%.0f\n", b / s }')")
      (( peak > peakMost )) && peakMost=$peak
      mark=$(awk -v r="$ratio" -v g="${goal[$i]}" 'BEGIN { print (r > g ? "!" : " ") }')
      [[ $mark == "!" ]] && missed=$((missed + 1))
      rows+=$(printf ' %10.2f (%4s)%s' "$ratio" "${goal[$i]}" "$mark")
    done
  done
  printf '\r%-60s\r' '' >&2
}

# What the readings came from: the processor, the byte kernels the engine
# chose on it (byte-kernels), and the speed of the plain copy the ratios
# are to, the median of all its runs in the table.
cpuinfo() { grep -m1 "^$1" /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'; }
{ read -r chosen; read -r levels; } < <("$kernels")
peakMost=0
missed=0
copySpeeds=()
engineRows ""
echo
echo "CPU: $(cpuinfo 'model name') (family $(cpuinfo 'cpu family'), model $(cpuinfo model)," \
  "stepping $(cpuinfo stepping)), $(nproc) processors$(grep -qw hypervisor /proc/cpuinfo &&
  echo ", under a hypervisor")"
echo "Byte kernels: $chosen (this machine runs: $levels; CSTRIP_KERNELS=key picks one)"
printf '%s\n' "${copySpeeds[@]}" | median |
  awk '{ printf "Copy: dd bs=64K at %.2f GB/s, the median of its runs below\n", $1 / 1e9 }'
echo
echo "engine-run, median ratio to a copy of the same file (goal in brackets, ! where missed):"
echo "$rows"
awk -v kb="$peakMost" -v m="$missed" \
  'BEGIN { printf "peak memory %.1f MiB (goal 16); %d of 20 ratios miss their goal\n", kb / 1024, m }'

# LEVELS=1: the same table with each version of the byte kernels.
if [[ -n ${LEVELS:-} ]]; then
  for level in $levels; do
    engineRows "$level"
    echo
    echo "With CSTRIP_KERNELS=$level:"
    echo "$rows"
  done
fi

if [[ -n ${PEERS:-} ]]; then
  echo
  echo "Peers, median ratio to the copy:"
  perlStrip='s{/\*.*?\*/|//[^\n]*|("(?:\\.|[^"\\])*")}{defined $1 ? $1 : ""}gse'
  printf '%-18s' peer
  for name in "${names[@]}"; do printf ' %11s' "$name"; done
  printf '\n'
  for peer in "tr A-Z a-z" "dd conv=lcase" "perl regex strip"; do
    printf '%-18s' "$peer"
    for corpus in "${corpora[@]}"; do
      input=$work/$corpus
      case $peer in
        tr*) command=(sh -c 'tr A-Z a-z <"$1" >"$2"' sh "$input" "$out") ;;
        dd*) command=(dd if="$input" of="$out" bs=64K conv=lcase) ;;
        perl*) command=(sh -c 'perl -0777 -pe "$0" <"$1" >"$2"' "$perlStrip" "$input" "$out") ;;
      esac
      read -r _ ratio _ _ < <(measure "$input" "${command[@]}")
      printf ' %11.2f' "$ratio"
    done
    printf '\n'
  done
fi

echo
echo "Through the window (offscreen) on short-lines.c, each run paired with an engine-run"
echo "(goals: ratio 1.05, longest gap 50 ms):"
printf '%-8s %10s %10s %8s %16s\n' mode "window s" "engine s" ratio "longest gap ms"
pairs=$(( runs > 5 ? runs : 5 ))
for mode in strip lower; do
  input=$work/short-lines.c
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

echo
echo "A walk of 1,000 nested folders, a file in each, against cp -r (goal 3):"
deep=$work/deep
for _ in $(seq 1000); do deep=$deep/d; done
mkdir -p "$deep"
for level in $(seq 0 999); do
  folder=$work/deep
  for _ in $(seq "$level"); do folder=$folder/d; done
  printf 'int x; /* %s */\n' "$level" >"$folder/f.c"
done
: >"$work/deep-pairs"
for _ in $(seq "$pairs"); do
  rm -rf "$work/deep-cp" "$work/deep-out"
  start=$EPOCHREALTIME
  cp -r "$work/deep" "$work/deep-cp"
  copy=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  start=$EPOCHREALTIME
  "$cstrip" --strip -d "$work/deep-out" "$work/deep"
  walk=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  echo "$copy $walk" >>"$work/deep-pairs"
done
rm -rf "$work/deep-cp" "$work/deep-out"
ratio=$(awk '{ print $2 / $1 }' "$work/deep-pairs" | median)
printf '%-28s %10s %10s %8s\n' corpus "cp -r s" "cstrip s" "ratio"
printf '%-28s %10.3f %10.3f %8.2f%s\n' "1,000 nested folders" \
  "$(awk '{ print $1 }' "$work/deep-pairs" | median)" \
  "$(awk '{ print $2 }' "$work/deep-pairs" | median)" "$ratio" \
  "$(awk -v r="$ratio" 'BEGIN { print (r > 3 ? " !" : "") }')"

echo
echo "cstrip --strip on a small file, as scripts call it once per file, against engine-run"
echo "(in pairs of 100 runs each; goals 1.5 and 4 MiB):"
small=$work/small.c
head -c 4096 "$work/c-headers.c" >"$small"
: >"$work/small-pairs"
for _ in $(seq "$pairs"); do
  start=$EPOCHREALTIME
  for _ in $(seq 100); do "$engine" strip "$small" "$out" >/dev/null; done
  engineSeconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  start=$EPOCHREALTIME
  for _ in $(seq 100); do "$cstrip" --strip "$small" "$out"; done
  cstripSeconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
  echo "$engineSeconds $cstripSeconds" >>"$work/small-pairs"
done
ratio=$(awk '{ print $2 / $1 }' "$work/small-pairs" | median)
kb=$(/usr/bin/time -f %M "$cstrip" --strip "$small" "$out" 2>&1 >/dev/null)
printf '%-28s %10s %10s %8s %10s\n' corpus "engine ms" "cstrip ms" ratio "peak MiB"
printf '%-28s %10.2f %10.2f %8.2f%s %10.1f%s\n' "4 KiB of C" \
  "$(awk '{ print $1 * 10 }' "$work/small-pairs" | median)" \
  "$(awk '{ print $2 * 10 }' "$work/small-pairs" | median)" "$ratio" \
  "$(awk -v r="$ratio" 'BEGIN { print (r > 1.5 ? "!" : " ") }')" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" \
  "$(awk -v k="$kb" 'BEGIN { print (k > 4096 ? " !" : "") }')"
