#!/usr/bin/env bash
# Checks a built Windows image: a PE of the build's architecture (PE32 for i686, the deliverables;
# PE32+ for x86_64, the test vehicle), with an application manifest that asks for the invoker's
# own execution level, a version resource, and imports from system DLLs only (the deliverables
# are linked statically and must run from any folder).
# Usage: check-pe-image.sh OBJDUMP IMAGE [i686|x86_64]   (default i686)
set -euo pipefail
objdump=$1
image=$2
architecture=${3:-i686}

allowed="kernel32.dll advapi32.dll msvcrt.dll shlwapi.dll msi.dll version.dll user32.dll shell32.dll ole32.dll oleaut32.dll"

dump=$("$objdump" -p "$image")
fail() { echo "check-pe-image: $image: $*" >&2; exit 1; }

case "$architecture" in
  i686) format=pei-i386 magic=010b kind=PE32 ;;
  x86_64) format=pei-x86-64 magic=020b kind=PE32+ ;;
  *) fail "unknown architecture $architecture" ;;
esac
grep -q "file format $format" <<<"$dump" || fail "not a $architecture PE image"
grep -Eq "^Magic[[:space:]]+$magic" <<<"$dump" || fail "optional header is not $kind"
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
echo "check-pe-image: $image: $kind, manifest (asInvoker), version resource, $count system DLL imports"
