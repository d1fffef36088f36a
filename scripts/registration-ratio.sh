#!/usr/bin/env bash
# The registration against its floor on one Windows build, in three ways:
#   (default)   the in-process benchmark, run several times: each run's ratio (3 rounds, medians),
#               the median of the runs and the largest. It shows what the file steps cost.
#   --process   whole processes: tarnwick.exe registering into N loadpoints (4 KB protk.dat files,
#               --size KB for another size) against the floor program, alternating, median of
#               --runs runs (7), the files reset before each run.
#   --requests  the Wine server requests per loadpoint of both programs: a server started afresh
#               with its trace on, each program run on two numbers of loadpoints, and the
#               difference of each kind of request divided by the difference in loadpoints, so
#               that process start cancels out; each kind rounded to a whole number.
# Usage: registration-ratio.sh [--process|--requests] [--pinned] [--runs N] [--size KB]
#                              [--loadpoints N] windows|windows64
#   --pinned  runs the benchmark, and a Wine server started afresh for it, on one processor.
#             Under Wine nearly every file step is a round trip to the Wine server. On a virtual
#             machine with two processors a round trip that has to wake the other processor costs
#             several times one that does not, and which kind a run gets changes from run to run:
#             free, the ratio of one build swings by several tenths between runs of the same
#             code; on one processor it holds within a few hundredths. Both are worth reading:
#             the free runs are what the machine gives, the pinned ones compare code with code.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=steps pin=() runs=7 size=4 loadpoints=100
while [ $# -gt 1 ]; do
  case $1 in
    --process) mode=process; shift ;;
    --requests) mode=requests; shift ;;
    --pinned) pin=(taskset -c 0); shift ;;
    --runs) runs=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --loadpoints) loadpoints=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:?usage: registration-ratio.sh [--process|--requests] [--pinned] [--runs N] [--size KB] windows|windows64}
run=(scripts/wine-run.sh)
[ "$build" = windows64 ] && run=(scripts/wine-run.sh --64)
prefix=$PWD/build/$build/wineprefix
bin=build/$build/tarnwick
# The files on a memory file system where there is one: the program's own cost, not the disk's.
memory_dir=()
[ -d /dev/shm ] && memory_dir=('Z:\dev\shm')

restart_server() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
}

case $mode in
process)
  cmake --build --preset "$build" --target tarnwick_process_bench >/dev/null
  if [ ${#pin[@]} -gt 0 ]; then
    restart_server
    trap restart_server EXIT
  fi
  "${pin[@]}" "${run[@]}" "$prefix" $bin/tarnwick_process_bench.exe "$loadpoints" "$size" "$runs" \
    "${memory_dir[@]}" 2>/dev/null || echo "(the benchmark did not run to its end here)"
  exit 0
  ;;
requests)
  cmake --build --preset "$build" --target tarnwick_process_bench >/dev/null
  trace=$(mktemp)
  trap 'restart_server; rm -f "$trace"' EXIT
  # A server of its own, with its trace on: every request of every process, as one line each.
  restart_server
  WINEPREFIX=$prefix wineserver -f -p -d1 </dev/null >/dev/null 2>"$trace" &
  small=$((loadpoints / 5)) large=$((loadpoints / 5 * 2))
  "${run[@]}" "$prefix" $bin/tarnwick_process_bench.exe --trace $small $large "$size" "${memory_dir[@]}" \
    >/dev/null 2>&1 || echo "(the benchmark did not run to its end here)"
  restart_server
  wait || true
  # Between the benchmark's marks, each request (not its reply) counted by kind; an ioctl by its
  # code. Then per program the per-loadpoint difference of each kind, rounded.
  awk -v small=$small -v large=$large '
    /TarnwickBenchMark begin / && !/\) = / { match($0, /TarnwickBenchMark begin [^ ]+ [0-9]+/);
      split(substr($0, RSTART, RLENGTH), f, " "); label = f[3] " " f[4]; next }
    /TarnwickBenchMark end / { label = ""; next }
    label == "" { next }
    /^[0-9a-f]+: [a-z_]+\(/ && !/\) = [A-Za-z0-9_]+/ {
      kind = $2; sub(/\(.*/, "", kind)
      if (kind == "ioctl" && match($0, /code=[A-Za-z0-9_]+/)) kind = substr($0, RSTART + 5, RLENGTH - 5)
      split(label, l, " "); count[l[1], l[2], kind]++; kinds[kind] = 1; programs[l[1]] = 1
    }
    END {
      n = 0; for (p in programs) order[++n] = p
      if (n == 0) { print "(no marks in the trace: the benchmark did not run here)"; exit }
      printf "Wine server requests per loadpoint (runs of %d and %d loadpoints; each kind rounded)\n", small, large
      for (i = 1; i <= n; i++) {
        p = order[i]; total = 0; line = ""
        for (k in kinds) {
          per = (count[p, large, k] - count[p, small, k]) / (large - small)
          r = int(per + (per < 0 ? -0.5 : 0.5))
          if (r != 0) { line = line sprintf(" %s %d,", k, r); total += r }
        }
        sub(/,$/, "", line)
        printf "%-32s %3d:%s\n", p, total, line
      }
    }' "$trace"
  exit 0
  ;;
esac

cmake --build --preset "$build" --target tarnwick_registration_bench >/dev/null
# A pinned run needs a server of its own on the same processor; it is ended afterwards, so that
# the tests that follow get one that is free again.
if [ ${#pin[@]} -gt 0 ]; then
  restart_server
  trap restart_server EXIT
fi
ratios=()
for ((i = 0; i < runs; i++)); do
  out=$("${pin[@]}" "${run[@]}" "$prefix" $bin/tarnwick_registration_bench.exe \
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
    printf "ratios to the floor: %s; median %s, largest %s\n", all, r[int((NR + 1) / 2)], r[NR]}'
