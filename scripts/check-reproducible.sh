#!/usr/bin/env bash
# Builds tarnwick.exe and brimsett.dll a second time, in another folder, for each Windows build
# given, and checks that the images are byte for byte those of the build under build/PRESET: no
# time stamp of the build and no folder of this machine may end up in them.
# Usage: check-reproducible.sh PRESET...   (expects build/PRESET to be built)
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in "$@"; do
  again=build/reproduce/$preset
  cmake --preset "$preset" -B "$again" >/dev/null
  cmake --build "$again" --target tarnwick brimsett >/dev/null
  for image in tarnwick/tarnwick.exe brimsett/brimsett.dll; do
    if ! cmp -s "build/$preset/$image" "$again/$image"; then
      echo "check-reproducible: $preset: $image differs between two builds:" >&2
      cmp -l "build/$preset/$image" "$again/$image" | head -n 5 >&2 || true
      exit 1
    fi
  done
  echo "check-reproducible: $preset: tarnwick.exe and brimsett.dll are byte-identical in two folders"
done
