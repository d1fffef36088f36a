#!/usr/bin/env bash
# The demo machine: builds the Windows deliverables, makes a fresh Wine prefix with sample Creo
# loadpoints, and runs Tarnwick on it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null

demo=$PWD/build/demo
prefix=$demo/wineprefix
stop_wine() { WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
stop_wine
rm -rf "$demo"
mkdir -p "$demo"
run() { scripts/wine-run.sh "$prefix" "$@"; }
tarnwick=build/windows/tarnwick/tarnwick.exe

echo "== tarnwick /?"
run "$tarnwick" '/?'
