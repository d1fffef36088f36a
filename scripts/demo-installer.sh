#!/usr/bin/env bash
# Sample add-in package part of the demo: on the demo machine (the Wine prefix given as the first
# argument; scripts/demo-machine.sh puts its real-shaped installations there, whose keys
# samples/registry-keys-ptc.txt, the list that the package installs, names), msiexec installs and
# removes the package built by scripts/build-installer.sh, and the protk.dat files that Wildfire
# 4.0 (32-bit) and Creo 2.0 and 7.0.1.0 (64-bit) read are shown before, during and after. The second
# argument names the Windows build's preset: windows (the x86 package, the default) or windows64
# (the x64 package, for machines that cannot run 32-bit programs).
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=${1:-$PWD/build/demo/wineprefix}
preset=${2:-windows}
arch=x86
wine_run=(scripts/wine-run.sh)
if [ "$preset" = windows64 ]; then arch=x64 wine_run+=(--64); fi
run() { "${wine_run[@]}" "$prefix" "$@"; }
run cmd /c exit 0 >/dev/null 2>&1   # creates the prefix when it is new

work=$prefix/drive_c/PackageDemo
rm -rf "$work"
mkdir -p "$work"
echo
echo "== scripts/build-installer.sh $arch build/demo/package"
bash scripts/build-installer.sh "$arch" build/demo/package | sed "s|^$PWD/||"
cp build/demo/package/sample-addin.msi "$work/"

bash scripts/demo-machine.sh "$prefix"
pf="$prefix/drive_c/Program Files"
wf4="$prefix/drive_c/Program Files (x86)/proeWildfire 4.0/text/protk.dat"
creo2="$pf/PTC/Creo 2.0/Common Files/M250/text/protk.dat"
creo7="$pf/PTC/Creo 7.0.1.0/Common Files/text/protk.dat"
show() {
  echo "-- $1"
  if [ -f "$2" ]; then sed 's/\r$//' "$2"; else echo "(no file)"; fi
}
show_files() {
  show 'Wildfire 4.0 (32-bit) text\protk.dat' "$wf4"
  show 'Creo 2.0 (64-bit, keys in the 32-bit view) Common Files\M250\text\protk.dat' "$creo2"
  show 'Creo 7.0.1.0 (64-bit) Common Files\text\protk.dat' "$creo7"
}
echo
echo "== before: the loadpoints' registry files"
show_files

echo
echo "== msiexec /i sample-addin.msi /qn /l*v install.log"
rc=0
run msiexec /i 'C:\PackageDemo\sample-addin.msi' /qn /l*v 'C:\PackageDemo\install.log' </dev/null >/dev/null 2>&1 ||
  rc=$?
echo "(exit code $rc)"
echo "-- the custom actions in the installer log, and Brimsett's lines"
# A deferred action is logged when it is scheduled and again when the script runs it.
actions() {  # log
  tr -d '\r' <"$1" | awk '
    /^Action start [0-9:]+: / {
      name = $4; sub(/\.$/, "", name)
      if (name ~ /^(CheckFor|RemoveExtraRegKey|SetTempDir|CreateTempDir|SetProduct|SetGlob|ResetLangToDefault)/)
        print "action: " name
      else if (name ~ /[Rr]egisterAddin$/)
        print "action: " name (seen[name]++ ? ", run by the script" : ", scheduled")
    }
    /^(CheckForCADApplication|RemoveExtraRegKey|CreateTempDir|ResetLangToDefault):  / { print "  " $0 }'
}
actions "$work/install.log"
echo "-- SolidWorks, found through its ProgID (SldWorks.Application\CLSID)"
grep -aE '^Property\(S\): SOLIDWORKS_(CLSID|LOCATION) = ' "$work/install.log" | tr -d '\r' ||
  echo "(not found)"
if [ "$arch" = x64 ]; then installed="$prefix/drive_c/Program Files/Sample Toolkit Add-in"; else
  installed="$prefix/drive_c/Program Files (x86)/Sample Toolkit Add-in"; fi
echo "-- installed: $(cd "$installed" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"
echo "-- registration.log (what the registration run printed):"
tr -d '\r' <"$installed/registration.log"
echo
echo "== during: the loadpoints' registry files"
show_files

echo
echo "== msiexec /x sample-addin.msi /qn"
rc=0
run msiexec /x 'C:\PackageDemo\sample-addin.msi' /qn /l*v 'C:\PackageDemo\remove.log' </dev/null >/dev/null 2>&1 ||
  rc=$?
echo "(exit code $rc)"
actions "$work/remove.log"
if [ -e "$installed" ]; then echo "-- left in the installation folder: $(cd "$installed" && find . -type f | tr '\n' ' ')"; else
  echo "-- the installation folder is gone"; fi
echo
echo "== after: the loadpoints' registry files"
show_files
