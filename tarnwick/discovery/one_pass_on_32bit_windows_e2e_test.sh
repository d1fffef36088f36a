#!/usr/bin/env bash
# On 32-bit Windows there is no 64-bit registry view: the search makes one pass and only the
# 32-bit loadpoint list is filled. Runs the real tarnwick.exe in a 32-bit Wine prefix of its own.
# Usage: one_pass_on_32bit_windows_e2e_test.sh TARNWICK_EXE PREFIX
set -eu
exe=$1
prefix=$2
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$prefix/.ready" ]; then
  rm -rf "$prefix"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  touch "$prefix/.ready"
fi
wineserver -p 30 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

# The key path that, on 64-bit Windows, would be searched in both views.
wine reg add 'HKLM\SOFTWARE\TarnwickDiscovery\Creo\A' /v InstallDir /d 'C:\Creo 32' /f </dev/null >/dev/null 2>&1
printf 'SOFTWARE\\TarnwickDiscovery\\Creo\r\n' >"$prefix/drive_c/tarnwick-keys.txt"
# The list run names only loadpoints whose folder is there.
mkdir -p "$prefix/drive_c/Creo 32"

status=0
check() {
  local expected=$1; shift
  wine "$exe" "$@" </dev/null >"$prefix/actual.txt" || true  # the exit code is the front end's business
  printf '%b' "$expected" >"$prefix/expected.txt"
  if ! cmp -s "$prefix/expected.txt" "$prefix/actual.txt"; then
    echo "tarnwick $*: expected"; od -c "$prefix/expected.txt"; echo "got"; od -c "$prefix/actual.txt"
    status=1
  fi
}
check 'C:\\Creo 32\\i486_nt\\obj\\xtop.exe\r\n' /listxtops '/reg:C:\tarnwick-keys.txt'
check 'Pro/TOOLKIT integration utility\r\nThe following Pro/ENGINEER / Creo loadpoints have been found\r\nC:\\Creo 32\r\n' \
  /name:discovery_test '/reg:C:\tarnwick-keys.txt'
wine reg delete 'HKLM\SOFTWARE\TarnwickDiscovery' /f </dev/null >/dev/null 2>&1 || true
rmdir "$prefix/drive_c/Creo 32"
exit $status
