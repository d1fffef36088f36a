#!/usr/bin/env bash
# Runs every test: installs the prerequisites, then builds and tests the host core, the same
# under the sanitizers, and the Windows builds under Wine (with the fault and load tests): the
# 32-bit deliverables (`windows`) and the x86_64 test vehicle (`windows64`). Runs every fuzz
# target for a bounded time, builds the two images a second time to check that they are
# reproducible, tests the signed release archive (scripts/release_test.sh), runs both static
# analysers and short benchmark runs. The figures of the run end up in build/figures/ (see
# docs/robustness.md).
#
# Where the kernel cannot run 32-bit programs, Wine's 32-bit side cannot start: the 32-bit images
# are then built and checked statically only, the x86_64 build runs every Windows test, and the
# output says so.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

stop_wine() {
  for prefix in build/windows/wineprefix build/windows/wineprefix32 build/windows64/wineprefix; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/$prefix" wineserver -k >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT

# Figures of an earlier run must not mix with this one's.
find build/windows build/windows64 -name robustness-figures.txt -delete 2>/dev/null || true

if reason32=$(bash scripts/can-run-32bit.sh); then
  windows32=run
  echo "Windows tiers: windows (32-bit) and windows64 (x86_64) both run under Wine"
else
  windows32=static
  echo "Windows tiers: windows (32-bit): not run: $reason32; its images are built and checked statically"
  echo "               windows64 (x86_64): runs every Windows test under 64-bit Wine"
fi

passed=0
tiers=()
skipped=()
# Builds a preset and runs its tests (those of the given ctest label only, when one is given).
tier() {  # preset description [label]
  local preset=$1 description=$2 label=${3:-} started=$SECONDS count log
  echo "== $preset${label:+ (label $label only)}"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  log=build/ctest-$preset.log
  ctest --preset "$preset" ${label:+-L "$label"} | tee "$log"
  count=$(sed -n 's/^100% tests passed, 0 tests failed out of \([0-9]*\)$/\1/p' "$log")
  passed=$((passed + ${count:-0}))
  tiers+=("$(printf '%-10s %3s tests %4s s  %s' "$preset" "${count:-0}" $((SECONDS - started)) "$description")")
  # Test cases that a test program skipped, with the reason it gave (the line before).
  while IFS= read -r line; do skipped+=("$preset: $line"); done < <(
    awk '/^\[  SKIPPED \] .* \([0-9]+ ms\)$/ { name = $0; sub(/^\[  SKIPPED \] /, "", name);
           sub(/ \([0-9]+ ms\)$/, "", name); print name ": " previous } { previous = $0 }' \
      "build/$preset/Testing/Temporary/LastTest.log" 2>/dev/null || true)
}

tier host "platform-free core"
tier host-asan "platform-free core under ASan/UBSan"
if [ "$windows32" = run ]; then
  tier windows "32-bit deliverables under Wine"
else
  tier windows "32-bit deliverables, built and checked statically; not run: $reason32" static
fi
tier windows64 "x86_64 test vehicle under 64-bit Wine"

started=$SECONDS
echo "== release (reproducible images, signed release archive)"
bash scripts/check-reproducible.sh windows windows64
bash scripts/release_test.sh
tiers+=("$(printf '%-10s %9s %4s s  %s' release "" $((SECONDS - started)) "images built twice compare equal; archive, checksums, signatures")")

started=$SECONDS
echo "== fuzz (bounded run of every target)"
bash scripts/fuzz.sh
tiers+=("$(printf '%-10s %9s %4s s  %s' fuzz "" $((SECONDS - started)) "every target for a bounded time")")

started=$SECONDS
echo "== static analysis"
bash scripts/analyse.sh
tiers+=("$(printf '%-10s %9s %4s s  %s' analysis "" $((SECONDS - started)) "clang-format, clang-tidy, cppcheck")")

started=$SECONDS
echo "== figures"
bash scripts/figures.sh
tiers+=("$(printf '%-10s %9s %4s s  %s' figures "" $((SECONDS - started)) "short benchmark runs")")

# Every step above stops the run on a failure, so reaching this line means none failed.
echo "== summary"
printf '%s\n' "${tiers[@]}"
if [ "$windows32" != run ]; then
  echo "windows (32-bit): not run: $reason32"
fi
if [ ${#skipped[@]} -gt 0 ]; then
  echo "test cases skipped, with their reasons:"
  printf '  %s\n' "${skipped[@]}"
fi
echo "tests: $passed passed, 0 failed"
