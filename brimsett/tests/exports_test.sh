#!/usr/bin/env bash
# Checks that brimsett.dll exports exactly the five custom actions, by their plain names (the
# installer calls them by name; a decorated "_Name@4" would not be found).
# Usage: check_exports.sh OBJDUMP IMAGE
set -euo pipefail
objdump=$1
image=$2
expected="CheckForPelliton CheckForSolidWorks CreateTempDir RemoveExtraRegKey ResetLangToDefault"
actual=$("$objdump" -p "$image" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort | xargs)
if [ "$actual" != "$expected" ]; then
  echo "check_exports: $image exports \"$actual\", expected \"$expected\"" >&2
  exit 1
fi
echo "check_exports: $image: $actual"
