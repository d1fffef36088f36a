#!/usr/bin/env bash
# Checks a built Windows image: a PE of the build's architecture (PE32 for i686, the deliverables;
# PE32+ for x86_64, the test vehicle), with an application manifest that asks for the invoker's
# own execution level, a version resource, and imports from system DLLs only (the deliverables
# are linked statically and must run from any folder).
# Given NM, it also checks that tarnwick.exe holds no test hook: the image keeps its symbol table,
# and no variable of the program's own namespaces (tarnwick::, win::) may sit in writable data but
# the constants (named kName) that the compiler puts there and the once-per-run caches listed in
# `caches` below (docs/architecture.md). A test hook is a variable that a setter changes, so a
# hook of any name shows here; the setters of the registration tests' seams are named as well.
# Usage: check-pe-image.sh OBJDUMP IMAGE [i686|x86_64 [NM]]   (default i686)
set -euo pipefail
objdump=$1
image=$2
architecture=${3:-i686}
nm=${4:-}

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
[ -n "$nm" ] || exit 0

# Made on first use and never changed after: where the turns live, the turns' and the private
# namespace's security, and the address of NtQueryInformationFile (parameter lists left out).
caches="tarnwick::TurnPlaceOfThisRun::place tarnwick::TurnSecurity::administrators tarnwick::TurnSecurity::global
tarnwick::PlatformTurnPlaceSteps::CreateNamespace::security tarnwick::InternalInformationQuery::query"
hooks="ReplaceSecurityCarrier SwitchFileTurns ReplaceBeforeSnapshotCheck"

symbols=$("$nm" -C "$image" 2>/dev/null) || fail "no symbol table: whether it holds a test hook cannot be told"
[ -n "$symbols" ] || fail "no symbol table: whether it holds a test hook cannot be told"
for hook in $hooks; do
  ! grep -q "tarnwick::$hook(" <<<"$symbols" || fail "holds the test hook $hook"
done
found=""
variables=0
while read -r name; do
  variables=$((variables + 1))
  # tarnwick::(anonymous namespace)::F(T)::v is written tarnwick::F::v.
  plain=$(sed -e 's/(anonymous namespace):://g' -e ':a' -e 's/([^()]*)//' -e 'ta' <<<"$name")
  case "$plain" in
    tarnwick::k[A-Z]* | win::k[A-Z]*) continue ;;
  esac
  case " ${caches//$'\n'/ } " in
    *" $plain "*) continue ;;
  esac
  found+=" $name;"
done < <(sed -n -E 's/^[0-9a-fA-F]+ [bBdD] ((tarnwick|win)::.*)$/\1/p' <<<"$symbols")
[ "$variables" -gt 0 ] || fail "no variable of its own found in the symbol table: it was not read as expected"
[ -z "$found" ] || fail "mutable variables that are neither constants nor once-per-run caches:$found"
echo "check-pe-image: $image: no test hook ($variables variables of its own in writable data, each a constant or a cache)"
