#!/usr/bin/env bash
# The demo machine: builds the Windows deliverables, makes a fresh Wine prefix with Pro/ENGINEER
# and Creo Parametric installations laid out as real ones are, and runs Tarnwick on it. It runs
# the 32-bit deliverables, or the x86_64 build of the same sources where the kernel cannot run
# 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
if reason32=$(bash scripts/can-run-32bit.sh); then
  preset=windows wine_run=(scripts/wine-run.sh)
  echo "Demo on the 32-bit build (build/windows): the deliverables as they ship"
else
  preset=windows64 wine_run=(scripts/wine-run.sh --64)
  echo "Demo on the x86_64 build (build/windows64): $reason32, so the 32-bit deliverables cannot run here"
fi
cmake --preset $preset >/dev/null
cmake --build --preset $preset >/dev/null

demo=$PWD/build/demo
prefix=$demo/wineprefix
stop_wine() { WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
stop_wine
rm -rf "$demo"
mkdir -p "$demo"
run() { "${wine_run[@]}" "$prefix" "$@"; }
tarnwick=build/$preset/tarnwick/tarnwick.exe

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

# The demo machine's installations, laid out as real ones are: Pro/ENGINEER Wildfire 4.0 (32-bit),
# Creo Parametric 2.0 (64-bit, its keys in the 32-bit view), 7.0.1.0 and 11.0.2.0 (64-bit view),
# each Creo with its Parametric and Common Files folders. Tarnwick is driven by the sample key
# list that the sample package installs.
run cmd /c exit 0 >/dev/null 2>&1   # creates the prefix
demo_c="$prefix/drive_c/TarnwickDemo"
mkdir -p "$demo_c"
bash scripts/demo-machine.sh "$prefix"
cp samples/registry-keys-ptc.txt "$demo_c/registry-keys-ptc.txt"
cp demo/creo-keys.txt "$demo_c/creo-keys.txt"
keys='C:\TarnwickDemo\registry-keys-ptc.txt'

echo
echo "== the demo machine's installation keys (64-bit view; Wow6432Node is the 32-bit view)"
sed -n 's/^\[HKEY_LOCAL_MACHINE\\\(.*\)\]$/\1/p' demo/creo-loadpoints.reg

echo
echo "== tarnwick /listxtops /reg:$keys   (the sample list: every key shape of real installations)"
run "$tarnwick" /listxtops "/reg:$keys"
echo "-- each of these files exists: the one xtop.exe a loadpoint holds decides its bitness"
echo
echo "== tarnwick /listxtops /reg:C:\\TarnwickDemo\\creo-keys.txt   (only the demo machine's keys: the same)"
run "$tarnwick" /listxtops '/reg:C:\TarnwickDemo\creo-keys.txt'

echo
echo "== tarnwick /name:demo_app /reg:$keys   (the registration run's listing)"
rc=0; run "$tarnwick" /name:demo_app "/reg:$keys" || rc=$?
echo "(exit code $rc)"

# Full registration: both bitnesses, spare files and materials; then the same again (no byte
# changes), then unregistration.
pf="$prefix/drive_c/Program Files"
wf4="$prefix/drive_c/Program Files (x86)/proeWildfire 4.0/text"
creo2="$pf/PTC/Creo 2.0/Common Files/M250/text"
creo7="$pf/PTC/Creo 7.0.1.0/Common Files/text"
creo11="$pf/PTC/Creo 11.0.2.0/Common Files/text"
printf 'name other_app\r\nexec_file C:\\Other\\other.dll\r\nallow_stop true\r\nend\r\n' >"$creo7/protk.dat"
mkdir -p "$demo_c/spares" "$demo_c/materials"
printf 'PTC_MATERIAL demo steel\r\n' >"$demo_c/materials/demo_steel.mtl"
printf 'PTC_MATERIAL demo brass\r\n' >"$demo_c/materials/demo_brass.mtl"
registration=(/name:demo_app /startup:dll "/exec32:C:\\Program Files (x86)\\DemoApp\\x86\\demo_app.dll"
  "/exec64:C:\\Program Files\\DemoApp\\x64\\demo_app.dll" "/text:C:\\Program Files\\DemoApp\\text"
  "/desc:Demo application" "/reg:$keys" '/spares:C:\TarnwickDemo\spares'
  '/materials:C:\TarnwickDemo\materials')
show() { echo "-- $1"; if [ -f "$2" ]; then sed 's/\r$//' "$2"; else echo "(no file)"; fi; }
parametric_text() {  # what the Parametric folders' text folders hold: Creo never reads them
  local v listing
  for v in 2.0 7.0.1.0 11.0.2.0; do
    listing=$(ls "$pf/PTC/Creo $v/Parametric/text")
    echo "-- Creo $v Parametric\\text: ${listing:-(empty)}"
  done
}

echo
echo "== tarnwick ${registration[*]}"
rc=0; run "$tarnwick" "${registration[@]}" || rc=$?
echo "(exit code $rc)"
show 'Wildfire 4.0 (32-bit) text\protk.dat, created' "$wf4/protk.dat"
show 'Creo 2.0 (64-bit, keys in the 32-bit view) Common Files\M250\text\protk.dat, created' "$creo2/protk.dat"
show 'Creo 7.0.1.0 (64-bit) Common Files\text\protk.dat, which held other_app before' "$creo7/protk.dat"
show 'Creo 11.0.2.0 (64-bit) Common Files\text\protk.dat, created' "$creo11/protk.dat"
parametric_text
show 'C:\TarnwickDemo\spares\protkx64.dat' "$demo_c/spares/protkx64.dat"
show 'C:\TarnwickDemo\spares\protkx32.dat' "$demo_c/spares/protkx32.dat"
echo "-- Creo 7.0.1.0 Common Files\\text\\materials-library: $(ls "$creo7/materials-library" | tr '\n' ' ')"

cp "$creo7/protk.dat" "$demo/creo7-protk.dat.first"
echo
echo "== the same registration again"
run "$tarnwick" "${registration[@]}" >/dev/null || true
if cmp -s "$creo7/protk.dat" "$demo/creo7-protk.dat.first"; then
  echo "Creo 7.0.1.0 protk.dat unchanged to the byte"
else
  echo "Creo 7.0.1.0 protk.dat CHANGED"
fi

echo
echo "== tarnwick /name:demo_app /unregister /reg:$keys /spares:C:\\TarnwickDemo\\spares"
rc=0; run "$tarnwick" /name:demo_app /unregister "/reg:$keys" '/spares:C:\TarnwickDemo\spares' || rc=$?
echo "(exit code $rc)"
show 'Creo 7.0.1.0 Common Files\text\protk.dat' "$creo7/protk.dat"
show 'Creo 2.0 Common Files\M250\text\protk.dat' "$creo2/protk.dat"
spares_left=$(ls "$demo_c/spares" | tr '\n' ' ')
echo "-- C:\\TarnwickDemo\\spares: ${spares_left:-(empty)}"
echo "-- Creo 7.0.1.0 Common Files\\text\\materials-library (materials stay): $(ls "$creo7/materials-library" | tr '\n' ' ')"

# ---- Brimsett: the custom actions in a real installer session (scripts/demo-brimsett.sh) ----
bash scripts/demo-brimsett.sh "$prefix" "$preset"
bash scripts/demo-installer.sh "$prefix" "$preset"
