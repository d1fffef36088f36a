#!/usr/bin/env bash
# Short runs of the benchmarks (the full runs are described in docs/performance.md) and the
# figures the fault and load tests wrote during ctest, gathered into build/figures/, from which
# docs/robustness.md takes its numbers. Expects the host and windows builds to exist and their
# tests to have run.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build/figures
prefix=$PWD/build/windows/wineprefix

# What the fault and load tests recorded in this run.
find build/windows -name robustness-figures.txt -print0 | sort -z | xargs -0 -r cat >build/figures/robustness.txt

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
  echo "== wine: registration into 200 loadpoints of 100 KB (3 rounds, ${memory_dir[*]:-temporary folder})"
  cmake --build --preset windows --target tarnwick_registration_bench >/dev/null
  bench scripts/wine-run.sh "$prefix" build/windows/tarnwick/tarnwick_registration_bench.exe 100 100 3 \
    "${memory_dir[@]}" 2>/dev/null
  echo "== wine: custom-action runtime overhead (100 rounds)"
  cmake --build --preset windows --target brimsett_session_bench >/dev/null
  bench scripts/wine-run.sh "$prefix" build/windows/brimsett/brimsett_session_bench.exe 100 2>/dev/null
} >build/figures/performance.txt 2>&1
cat build/figures/robustness.txt build/figures/performance.txt
