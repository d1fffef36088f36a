#!/usr/bin/env bash
# The demo machine: builds the Windows deliverables, makes a fresh Wine prefix with sample Creo
# loadpoints, and runs Tarnwick on it. It runs the 32-bit deliverables, or the x86_64 build of
# the same sources where the kernel cannot run 32-bit programs.
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

# Sample loadpoints in both registry views, their directories on drive C:, and the key list file.
run cmd /c exit 0 >/dev/null 2>&1   # creates the prefix
demo_c="$prefix/drive_c/TarnwickDemo"
mkdir -p "$demo_c"
bash scripts/import-reg.sh "$prefix" <demo/creo-loadpoints.reg
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

# Full registration: both views, spare files and materials; then the same again (no byte changes),
# then unregistration.
creo9="$prefix/drive_c/Program Files/PTC/Creo 9.0.0.0/Common Files/text"
creo4="$prefix/drive_c/Program Files (x86)/PTC/Creo 4.0/Common Files/text"
printf 'name other_app\r\nexec_file C:\\Other\\other.dll\r\nallow_stop true\r\nend\r\n' >"$creo9/protk.dat"
mkdir -p "$demo_c/spares" "$demo_c/materials"
printf 'PTC_MATERIAL demo steel\r\n' >"$demo_c/materials/demo_steel.mtl"
printf 'PTC_MATERIAL demo brass\r\n' >"$demo_c/materials/demo_brass.mtl"
registration=(/name:demo_app /startup:dll "/exec32:C:\\Program Files (x86)\\DemoApp\\x86\\demo_app.dll"
  "/exec64:C:\\Program Files\\DemoApp\\x64\\demo_app.dll" "/text:C:\\Program Files\\DemoApp\\text"
  "/desc:Demo application" "/reg:$keys" '/spares:C:\TarnwickDemo\spares'
  '/materials:C:\TarnwickDemo\materials')
show() { echo "-- $1"; sed 's/\r$//' "$2"; }

echo
echo "== tarnwick ${registration[*]}"
rc=0; run "$tarnwick" "${registration[@]}" || rc=$?
echo "(exit code $rc)"
show 'Creo 9.0.0.0 (64-bit view) text\protk.dat, which held other_app before' "$creo9/protk.dat"
show 'Creo 4.0 (32-bit view) text\protk.dat, created' "$creo4/protk.dat"
show 'C:\TarnwickDemo\spares\protkx64.dat' "$demo_c/spares/protkx64.dat"
show 'C:\TarnwickDemo\spares\protkx32.dat' "$demo_c/spares/protkx32.dat"
echo "-- Creo 9.0.0.0 text\\materials-library: $(ls "$creo9/materials-library" | tr '\n' ' ')"

cp "$creo9/protk.dat" "$demo/creo9-protk.dat.first"
echo
echo "== the same registration again"
run "$tarnwick" "${registration[@]}" >/dev/null || true
if cmp -s "$creo9/protk.dat" "$demo/creo9-protk.dat.first"; then
  echo "Creo 9.0.0.0 protk.dat unchanged to the byte"
else
  echo "Creo 9.0.0.0 protk.dat CHANGED"
fi

echo
echo "== tarnwick /name:demo_app /unregister /reg:$keys /spares:C:\\TarnwickDemo\\spares"
rc=0; run "$tarnwick" /name:demo_app /unregister "/reg:$keys" '/spares:C:\TarnwickDemo\spares' || rc=$?
echo "(exit code $rc)"
show 'Creo 9.0.0.0 text\protk.dat' "$creo9/protk.dat"
spares_left=$(ls "$demo_c/spares" | tr '\n' ' ')
echo "-- C:\\TarnwickDemo\\spares: ${spares_left:-(empty)}"
echo "-- Creo 9.0.0.0 text\\materials-library (materials stay): $(ls "$creo9/materials-library" | tr '\n' ' ')"

# ---- Brimsett: the custom actions in a real installer session (scripts/demo-brimsett.sh) ----
bash scripts/demo-brimsett.sh "$prefix" "$preset"
bash scripts/demo-installer.sh "$prefix" "$preset"
