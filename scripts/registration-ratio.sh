#!/usr/bin/env bash
# The registration benchmark against the floor of a safe rewrite, run several times on one Windows
# build: each run's ratio (3 rounds, medians), the median of the runs and the largest.
# Usage: registration-ratio.sh [--pinned] [--runs N] windows|windows64
#   --pinned  runs the benchmark, and a Wine server started afresh for it, on one processor.
#             Under Wine nearly every file step is a round trip to the Wine server. On a virtual
#             machine with two processors a round trip that has to wake the other processor costs
#             several times one that does not, and which kind a run gets changes from run to run:
#             free, the ratio of one build swings by several tenths between runs of the same
#             code; on one processor it holds within a few hundredths. Both are worth reading:
#             the free runs are what the machine gives, the pinned ones compare code with code.
set -euo pipefail
cd "$(dirname "$0")/.."

pin=() runs=7
while [ $# -gt 1 ]; do
  case $1 in
    --pinned) pin=(taskset -c 0); shift ;;
    --runs) runs=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:?usage: registration-ratio.sh [--pinned] [--runs N] windows|windows64}
run=(scripts/wine-run.sh)
[ "$build" = windows64 ] && run=(scripts/wine-run.sh --64)
prefix=$PWD/build/$build/wineprefix
# The files on a memory file system where there is one: the program's own cost, not the disk's.
memory_dir=()
[ -d /dev/shm ] && memory_dir=('Z:\dev\shm')

cmake --build --preset "$build" --target tarnwick_registration_bench >/dev/null
restart_server() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
}
# A pinned run needs a server of its own on the same processor; it is ended afterwards, so that
# the tests that follow get one that is free again.
if [ ${#pin[@]} -gt 0 ]; then
  restart_server
  trap restart_server EXIT
fi
ratios=()
for ((i = 0; i < runs; i++)); do
  out=$("${pin[@]}" "${run[@]}" "$prefix" build/"$build"/tarnwick/tarnwick_registration_bench.exe \
    100 100 3 "${memory_dir[@]}" 2>/dev/null) || true
  ratio=$(sed -n 's/^ratio to the safe rewrite.s floor[^:]*: \([0-9.]*\).*/\1/p' <<<"$out")
  [ -n "$ratio" ] && ratios+=("$ratio")
done
if [ ${#ratios[@]} -eq 0 ]; then
  echo "(the benchmark did not run to its end here)"
  exit 0
fi
printf '%s\n' "${ratios[@]}" | sort -n |
  awk -v all="${ratios[*]}" '{r[NR] = $1} END {
    printf "ratios to the floor: %s; median %s, largest %s (target: median at most 1.25)\n",
      all, r[int((NR + 1) / 2)], r[NR]}'
