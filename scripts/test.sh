#!/usr/bin/env bash
# Runs every test: installs the prerequisites, then builds and tests the host core, the same
# under the sanitizers, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

stop_wine() { WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

for preset in host host-asan windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz (bounded run of every target)"
bash scripts/fuzz.sh

echo "== static analysis"
bash scripts/analyse.sh
