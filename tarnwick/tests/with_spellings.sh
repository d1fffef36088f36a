#!/usr/bin/env bash
# Runs a test program under Wine with two more spellings of one folder, which Wine 8 cannot make
# from a Windows program: a drive letter mapped to the folder in the prefix's dosdevices, and a
# directory symbolic link to it, which Wine shows as a folder just as Windows shows a junction.
# The three paths (plain, drive letter, link) go to the program in TARNWICK_SPELLINGS.
# Usage: with_spellings.sh PROGRAM EMULATOR...
#   EMULATOR: the build's way to run a Windows program (scripts/wine-run.sh [--64] PREFIX)
set -euo pipefail
program=$1
shift
emulator=("$@")
prefix=${emulator[${#emulator[@]}-1]}  # the emulator's last word
# The prefix is made on first use by the emulator; its C: drive must be there first.
"${emulator[@]}" cmd /c exit >/dev/null 2>&1 </dev/null || true
name=tw-spellings-$$
root=$prefix/drive_c/$name
letter=
cleanup() {
  [ -n "$letter" ] && rm -f "$prefix/dosdevices/$letter:"
  rm -rf "$root"
}
trap cleanup EXIT
mkdir -p "$root/real"
ln -s real "$root/junction"
for candidate in t u v w x y; do
  if [ ! -e "$prefix/dosdevices/$candidate:" ] && [ ! -L "$prefix/dosdevices/$candidate:" ]; then
    letter=$candidate
    break
  fi
done
[ -n "$letter" ] && ln -s "$root/real" "$prefix/dosdevices/$letter:"
export TARNWICK_SPELLINGS="C:\\$name\\real;${letter^^}:\\;C:\\$name\\junction"
"${emulator[@]}" "$program"
