#!/usr/bin/env bash
# Imports registry text (a .reg file written in UTF-8 with LF line ends, read from standard input)
# into a Wine prefix that exists already. The text is handed to regedit as UTF-16 with CR LF (an
# ANSI .reg would have its hex(2) data converted), and 64-bit regedit imports it, so that a key
# under Software\Wow6432Node lands in the 32-bit view and every other key in the 64-bit one. It runs
# through 64-bit Wine's own loader, which works on every machine, 32-bit support or not.
# Usage: import-reg.sh PREFIX < registry.txt
set -euo pipefail
prefix=$1
name=import-reg-$$.reg
{ printf '\xff\xfe'; sed 's/\r$//; s/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$prefix/drive_c/$name"
status=0
WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 regedit /S "C:\\$name" \
  </dev/null >/dev/null 2>&1 || status=$?
rm -f "$prefix/drive_c/$name"
exit "$status"
