#!/usr/bin/env bash
# Runs every test: installs the prerequisites, then builds and tests the host core, the same
# under the sanitizers, and the Windows build under Wine (with the fault and load tests); runs
# every fuzz target for a bounded time, both static analysers, and short benchmark runs. The
# figures of the run end up in build/figures/ (see docs/robustness.md).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

stop_wine() { WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

# Figures of an earlier run must not mix with this one's.
find build/windows -name robustness-figures.txt -delete 2>/dev/null || true

passed=0
for preset in host host-asan windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" | tee "build/ctest-$preset.log"
  count=$(sed -n 's/^100% tests passed, 0 tests failed out of \([0-9]*\)$/\1/p' "build/ctest-$preset.log")
  passed=$((passed + ${count:-0}))
done

echo "== fuzz (bounded run of every target)"
bash scripts/fuzz.sh

echo "== static analysis"
bash scripts/analyse.sh

echo "== figures"
bash scripts/figures.sh

# Every step above stops the run on a failure, so reaching this line means none failed.
echo "== summary"
echo "tests: $passed passed, 0 failed"
