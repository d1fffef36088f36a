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
  # The registration against its floor on each Windows build: whole processes (the Wine server
  # requests per loadpoint, then the times), and the in-process benchmark of the file steps.
  reason32=$(bash scripts/can-run-32bit.sh) || true
  for build in windows windows64; do
    if [ $build = windows ] && [ -n "$reason32" ]; then
      echo "== wine (windows, 32-bit): not run: $reason32"
      continue
    fi
    if [ ! -d build/$build ]; then
      echo "== wine ($build): not run: the build is not there"
      continue
    fi
    echo "== wine ($build): tarnwick.exe against the floor program, whole processes, 100 loadpoints of" \
      "4 KB (${memory_dir[*]:-temporary folder}; load average $(cut -d' ' -f1 /proc/loadavg))"
    bench scripts/registration-ratio.sh --requests $build
    bench scripts/registration-ratio.sh --process $build
    echo "== wine ($build): the file steps in process, 200 loadpoints of 100 KB, 3 rounds"
    bench scripts/registration-ratio.sh --runs 1 $build
  done
  echo "== wine ($preset): custom-action runtime overhead (100 rounds)"
  cmake --build --preset $preset --target brimsett_session_bench >/dev/null
  bench "${wine_run[@]}" "$prefix" build/$preset/brimsett/brimsett_session_bench.exe 100 2>/dev/null
} >build/figures/performance.txt 2>&1
cat build/figures/robustness.txt build/figures/performance.txt
