#!/usr/bin/env bash
# Checks a built Windows image: a 32-bit PE, with an application manifest that asks for the
# invoker's own execution level, a version resource, and imports from system DLLs only (the
# deliverables are linked statically and must run from any folder).
# Usage: check-pe-image.sh OBJDUMP IMAGE
set -euo pipefail
objdump=$1
image=$2

allowed="kernel32.dll advapi32.dll msvcrt.dll shlwapi.dll msi.dll version.dll user32.dll shell32.dll ole32.dll oleaut32.dll"

dump=$("$objdump" -p "$image")
fail() { echo "check-pe-image: $image: $*" >&2; exit 1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not a 32-bit x86 PE image"
grep -Eq '^Magic[[:space:]]+010b' <<<"$dump" || fail "optional header is not PE32"
# Resource type 0x18 is RT_MANIFEST, 0x10 is RT_VERSION.
grep -Eq 'Entry: ID: 0x000018,' <<<"$dump" || fail "no manifest resource"
grep -Eq 'Entry: ID: 0x000010,' <<<"$dump" || fail "no version resource"
grep -q 'level="asInvoker"' "$image" || fail "manifest does not request asInvoker"

count=0
while read -r dll; do
  lower=${dll,,}
  case " $allowed " in
    *" $lower "*) count=$((count + 1)) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
  esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
[ "$count" -gt 0 ] || fail "no imports found"
echo "check-pe-image: $image: PE32, manifest (asInvoker), version resource, $count system DLL imports"
