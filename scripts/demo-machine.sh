#!/usr/bin/env bash
# Puts the demo machine's installations (demo/README.md) into a Wine prefix that exists already:
# their keys in both registry views and their folders and stand-in executables on drive C:.
# Running it again changes nothing; protk.dat files are left alone.
# Usage: demo-machine.sh PREFIX
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$1
bash scripts/import-reg.sh "$prefix" <demo/creo-loadpoints.reg
while IFS= read -r item; do
  path="$prefix/drive_c/$(printf '%s' "${item#C:\\}" | tr '\\' '/')"
  case "$item" in
    *\\) mkdir -p "$path" ;;
    *) mkdir -p "$(dirname "$path")" && printf 'MZ' >"$path" ;;
  esac
done <demo/installation-files.txt
