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
echo "(exit code $?)"

# Rejected command lines: one message each, exit code 0, nothing else runs.
for rejected in '/listxtops' '/name:demo_app /reg:keys.txt /NAME:other' '/name=demo_app /reg:keys.txt'; do
  echo
  echo "== tarnwick $rejected"
  # shellcheck disable=SC2086  # split into separate arguments on purpose
  run "$tarnwick" $rejected
  echo "(exit code $?)"
done

# Sample loadpoints in both registry views, their directories on drive C:, and the key list file.
run cmd /c exit 0 >/dev/null 2>&1   # creates the prefix
demo_c="$prefix/drive_c/TarnwickDemo"
mkdir -p "$demo_c"
{ printf '\xff\xfe'; sed 's/$/\r/' demo/creo-loadpoints.reg | iconv -f UTF-8 -t UTF-16LE; } >"$demo_c/creo-loadpoints.reg"
WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 regedit /S 'C:\TarnwickDemo\creo-loadpoints.reg' \
  </dev/null >/dev/null 2>&1
while IFS= read -r loadpoint; do
  dir="$prefix/drive_c/$(printf '%s' "${loadpoint#C:\\}" | tr '\\' '/')"
  mkdir -p "$dir/text/materials-library"
done <demo/loadpoints.txt
cp demo/creo-keys.txt "$demo_c/creo-keys.txt"
keys='C:\TarnwickDemo\creo-keys.txt'

echo
echo "== tarnwick /listxtops /reg:$keys"
run "$tarnwick" /listxtops "/reg:$keys"

echo
echo "== tarnwick /name:demo_app /reg:$keys   (the registration run's listing)"
rc=0; run "$tarnwick" /name:demo_app "/reg:$keys" || rc=$?
echo "(exit code $rc)"
