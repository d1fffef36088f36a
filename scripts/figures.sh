#!/usr/bin/env bash
# Short runs of the benchmarks (the full runs are described in docs/performance.md) and the
# figures the fault and load tests wrote during ctest, gathered into build/figures/, from which
# docs/robustness.md takes its numbers. Expects the host and windows builds to exist and their
# tests to have run.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build/figures
# The Wine benchmarks run on the 32-bit build, or on the x86_64 build where 32-bit programs cannot
# run (the figures then say so).
preset=windows wine_run=(scripts/wine-run.sh)
if ! bash scripts/can-run-32bit.sh >/dev/null; then
  preset=windows64 wine_run=(scripts/wine-run.sh --64)
fi
prefix=$PWD/build/$preset/wineprefix

# What the fault and load tests recorded in this run.
for build in windows windows64; do
  [ -d build/$build ] || continue
  figures=$(find build/$build -name robustness-figures.txt | sort)
  [ -n "$figures" ] || continue
  echo "== $build"
  # shellcheck disable=SC2086  # the paths hold no blanks
  cat $figures
done >build/figures/robustness.txt

# A benchmark that cannot run here is noted, not fatal: these are figures, not tests.
bench() {
  "$@" || echo "(this benchmark did not run to its end here: exit code $?)"
}
# The registration benchmark's files on a memory file system where there is one.
memory_dir=()
[ -d /dev/shm ] && memory_dir=('Z:\dev\shm')
{
  echo "== host: merge of a 10 MB protk.dat with 20,000 entries (5 rounds)"
  cmake --build --preset host --target registration_merge_bench >/dev/null
  bench build/host/tarnwick/registration_merge_bench 10 20000 5
  # The registration against the floor of a safe rewrite, on every Windows build that runs here:
  # 7 runs of 3 rounds each, free and then pinned to one processor.
  for build in windows windows64; do
    [ -d build/$build ] || continue
    [ $build = windows ] && [ $preset != windows ] && continue  # no 32-bit programs here
    echo "== wine ($build): registration into 200 loadpoints of 100 KB, 7 runs of 3 rounds" \
      "(${memory_dir[*]:-temporary folder}; load average $(cut -d' ' -f1 /proc/loadavg))"
    bench scripts/registration-ratio.sh $build
    if command -v taskset >/dev/null; then
      echo "-- the same on one processor"
      bench scripts/registration-ratio.sh --pinned $build
    fi
  done
  echo "== wine ($preset): custom-action runtime overhead (100 rounds)"
  cmake --build --preset $preset --target brimsett_session_bench >/dev/null
  bench "${wine_run[@]}" "$prefix" build/$preset/brimsett/brimsett_session_bench.exe 100 2>/dev/null
} >build/figures/performance.txt 2>&1
cat build/figures/robustness.txt build/figures/performance.txt
