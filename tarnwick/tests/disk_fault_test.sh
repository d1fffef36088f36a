#!/usr/bin/env bash
# Faults at the file system under the real tarnwick.exe (run by ctest in the Windows build):
#  1. a disk that is full while protk.dat is rewritten (and while the spare file is written),
#     on registration and on unregistration: the original stays as it was, no temporary file is
#     left, no spare file appears, and standard error names protk.dat as passed over;
#  2. a file-size limit (ulimit -f) that stops the rewrite part-way: the same;
#  3. a read-only spares folder: the spare file is not written, the spare that was there stays,
#     and the loadpoint is registered all the same;
#  4. a power cut right after a rename: every new file (protk.dat, the spare file) is on the disk
#     before it is renamed over the old one, shown by strace as an fsync of the temporary file
#     before its rename. Under Wine the program flushes and its Wine server renames, so the trace
#     follows both: the server is started anew under it. Skipped where strace cannot trace.
# Cases 1 and 3 need a small file system of their own (tmpfs, mounted for the test only); where
# mounting is not allowed they are reported as skipped with that reason, and case 2, which needs
# no privilege, still runs. Every case also checks that nothing else in its folder changed.
# Usage: disk_fault_test.sh TARNWICK_EXE WORK_DIR EMULATOR...
#   EMULATOR: the build's way to run a Windows program (scripts/wine-run.sh [--64] PREFIX)
set -uo pipefail
tarnwick=$1 work=$2
shift 2
wine=("$@")
prefix=${wine[${#wine[@]}-1]}  # the emulator's last word
figures=$(dirname "$tarnwick")/robustness-figures.txt
failures=0
mounts=()

cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  # A Wine server that came up inside the file-size limit of case 2 keeps that limit and would
  # make every later test's larger writes fail: stop it, so that the next program starts a fresh one.
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  "${wine[@]}" reg delete "HKLM\\SOFTWARE\\$key" /reg:32 /f >/dev/null 2>&1
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
record() { echo "$*" >>"$figures"; }

key=TarnwickDiskFault$$
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
# Starts the prefix's server (without any limit) before anything below runs under one.
"${wine[@]}" reg add "HKLM\\SOFTWARE\\$key\\disk" /v InstallDir /d "$("${wine[@]}" winepath -w "$work/disk" 2>/dev/null | tr -d "\r")" /reg:32 /f >/dev/null 2>&1
"${wine[@]}" reg add "HKLM\\SOFTWARE\\$key\\limit" /v InstallDir /d "$("${wine[@]}" winepath -w "$work/limit" 2>/dev/null | tr -d "\r")" /reg:32 /f >/dev/null 2>&1
keys_file=$work/keys.txt
printf 'SOFTWARE\\%s\r\n' "$key" >"$keys_file"
keys_win=$("${wine[@]}" winepath -w "$keys_file" 2>/dev/null | tr -d "\r")

# A protk.dat of other applications' entries (and, when asked, one of MyApp), CR LF line ends.
make_protk() {  # path kilobytes with_myapp
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, kb, mine = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "yes"
out, i = [], 0
while sum(map(len, out)) < kb * 1024:
    out.append("name App%06d\r\nexec_file C:\\Vendor\\App%06d\\app.dll\r\nend\r\n" % (i, i)); i += 1
if mine:
    out.append("\r\nname MyApp\r\nexec_file C:\\old.dll\r\nend\r\n")
open(path, "wb").write("".join(out).encode())
PY
}

# Every file under a folder with its size and modification time, and every folder by name, for
# the "nothing else changed" test (a folder's own time changes when a temporary file comes and goes).
snapshot() { (cd "$1" && find . \( -type d -printf '%p/\n' \) -o -printf '%p %s %T@\n' | sort); }

run_tarnwick() {  # output_file args... (standard error goes to output_file.err)
  local out=$1; shift
  "${wine[@]}" "$tarnwick" "$@" >"$out" 2>"$out.err"
}

# Standard error names this protk.dat as passed over because its new bytes could not be written,
# and holds nothing but such lines (the other loadpoint, whose folder is made later, and the
# spare files on the full disk have theirs).
check_reported() {  # label errors_file protk
  local label=$1 errors=$2 protk=$3
  local line="Passed over \"$("${wine[@]}" winepath -w "$protk" 2>/dev/null | tr -d "\r")\": the new file could not be written beside it"
  if grep -qxF "$line"$'\r' "$errors" && ! grep -v '^Passed over "' "$errors" | grep -q .; then
    pass "$label: named on standard error"
  else
    fail "$label: standard error was: $(cat -A "$errors")"
  fi
}

# Checks shared by the fault cases: the original is intact, no temporary file, nothing else.
check_left_alone() {  # label folder original_copy before_snapshot protk
  local label=$1 folder=$2 copy=$3 before=$4 protk=$5
  if cmp -s "$copy" "$protk"; then pass "$label: protk.dat intact"; else fail "$label: protk.dat changed"; fi
  if ls "$(dirname "$protk")" | grep -q '^~tw'; then fail "$label: temporary file left"; else pass "$label: no temporary file left"; fi
  if [ "$(snapshot "$folder")" = "$before" ]; then pass "$label: nothing else written"; else
    fail "$label: the folder changed"; diff <(echo "$before") <(snapshot "$folder") | head -5; fi
}

can_mount=no
mkdir -p "$work/probe"
if mount -t tmpfs -o size=64k tmpfs "$work/probe" 2>/dev/null; then
  umount "$work/probe"; can_mount=yes
fi
rmdir "$work/probe"

# ---- 1. a full disk ----
if [ "$can_mount" = yes ]; then
  mkdir -p "$work/disk/text"
  mount -t tmpfs -o size=512k tmpfs "$work/disk/text" && mounts+=("$work/disk/text")
  mkdir -p "$work/disk/text/spares"
  for mode in register unregister; do
    rm -f "$work/disk/text/filler"
    make_protk "$work/disk/text/protk.dat" 160 $([ $mode = unregister ] && echo yes || echo no)
    cp "$work/disk/text/protk.dat" "$work/protk.copy"
    # Fill what is left of the disk, to the last block.
    dd if=/dev/zero of="$work/disk/text/filler" bs=4k 2>/dev/null
    free=$(df -k --output=avail "$work/disk/text" | tail -1 | tr -d ' ')
    before=$(snapshot "$work/disk")
    if [ $mode = register ]; then
      run_tarnwick "$work/out.txt" /name:MyApp /exec32:C:\\my.dll /exec64:C:\\my64.dll \
        "/spares:$("${wine[@]}" winepath -w "$work/disk/text/spares" 2>/dev/null | tr -d "\r")" "/reg:$keys_win"
    else
      run_tarnwick "$work/out.txt" /name:MyApp /unregister "/reg:$keys_win"
    fi
    rc=$?
    [ "$rc" -eq 1 ] && pass "full disk, $mode: exit code 1" || fail "full disk, $mode: exit code $rc"
    check_left_alone "full disk, $mode" "$work/disk" "$work/protk.copy" "$before" "$work/disk/text/protk.dat"
    check_reported "full disk, $mode" "$work/out.txt.err" "$work/disk/text/protk.dat"
    record "disk full while protk.dat ($(stat -c %s "$work/protk.copy") bytes) is rewritten, $mode: original intact, no temporary or spare file (free space ${free} KB)"
  done
  # With space again the same run registers, so the failures above were the full disk's doing.
  rm -f "$work/disk/text/filler"
  run_tarnwick "$work/out.txt" /name:MyApp /exec32:C:\\my.dll "/reg:$keys_win"
  if grep -q '^exec_file C:\\my.dll' "$work/disk/text/protk.dat"; then pass "disk with space again: registered"; else
    fail "disk with space again: not registered"; fi
  umount "$work/disk/text" && mounts=()
else
  echo "skipped: full disk (this machine does not allow mounting a small file system)"
  record "disk full: skipped, mounting a small file system is not allowed here"
fi

# ---- 2. a file-size limit part-way through the rewrite ----
mkdir -p "$work/limit/text"
make_protk "$work/limit/text/protk.dat" 600 no
cp "$work/limit/text/protk.dat" "$work/protk.copy"
before=$(snapshot "$work/limit")
(
  trap '' XFSZ       # a write past the limit fails with EFBIG instead of ending the process
  ulimit -f 512      # kilobytes: the 600 KB file cannot be written again
  run_tarnwick "$work/out.txt" /name:MyApp /exec32:C:\\my.dll "/reg:$keys_win"
)
rc=$?
[ "$rc" -eq 1 ] && pass "file-size limit: exit code 1" || fail "file-size limit: exit code $rc"
check_left_alone "file-size limit" "$work/limit" "$work/protk.copy" "$before" "$work/limit/text/protk.dat"
check_reported "file-size limit" "$work/out.txt.err" "$work/limit/text/protk.dat"
record "write failing part-way (file-size limit of 512 KB) while protk.dat ($(stat -c %s "$work/protk.copy") bytes) is rewritten: original intact, no temporary file"
# Without the limit the same run registers, so the failure above was the fault's doing.
run_tarnwick "$work/out.txt" /name:MyApp /exec32:C:\\my.dll "/reg:$keys_win"
if grep -q '^name MyApp' "$work/limit/text/protk.dat"; then pass "file-size limit lifted: registered"; else fail "file-size limit lifted: not registered"; fi

# ---- 3. a read-only spares folder ----
spares=$work/spares
mkdir -p "$spares"
readonly_how=""
if [ "$can_mount" = yes ]; then
  mount -t tmpfs -o size=64k tmpfs "$spares" && mounts+=("$spares")
  printf 'name Old\r\nend\r\n' >"$spares/protkx64.dat"
  mount -o remount,ro "$spares" && readonly_how="a read-only mount"
elif [ "$(id -u)" -ne 0 ]; then
  printf 'name Old\r\nend\r\n' >"$spares/protkx64.dat"
  chmod a-w "$spares/protkx64.dat" "$spares" && readonly_how="no write permission"
fi
if [ -n "$readonly_how" ]; then
  cp "$work/limit/text/protk.dat" "$work/protk.before"
  before=$(snapshot "$spares")
  run_tarnwick "$work/out.txt" /name:MyApp /startup:dll /exec32:C:\\my.dll /exec64:C:\\my64.dll \
    "/spares:$("${wine[@]}" winepath -w "$spares" 2>/dev/null | tr -d "\r")" "/reg:$keys_win"
  rc=$?
  [ "$rc" -eq 1 ] && pass "read-only spares: exit code 1" || fail "read-only spares: exit code $rc"
  if [ "$(snapshot "$spares")" = "$before" ]; then pass "read-only spares: folder unchanged"; else fail "read-only spares: folder changed"; fi
  if grep -q '^startup dll' "$work/limit/text/protk.dat"; then pass "read-only spares: loadpoint registered all the same"; else
    fail "read-only spares: loadpoint not registered"; fi
  record "read-only spares folder ($readonly_how): spare file not written, existing spare kept, loadpoint registered"
  [ "$can_mount" = yes ] && umount "$spares" && mounts=()
  [ "$can_mount" = yes ] || chmod u+w "$spares" "$spares/protkx64.dat"
else
  echo "skipped: read-only spares folder (running as root without mounting, so no folder can be made read-only)"
  record "read-only spares folder: skipped, no way to make a folder read-only here"
fi

# ---- 4. the new bytes on the disk before the rename ----
if command -v strace >/dev/null && strace -f -o /dev/null true 2>/dev/null; then
  mkdir -p "$work/flushed"
  flushed_win=$("${wine[@]}" winepath -w "$work/flushed" 2>/dev/null | tr -d "\r")
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  # The program's first Wine call starts the prefix's server again, as a child traced with it;
  # ending that server ends the trace.
  {
    printf '%q ' "${wine[@]}" "$tarnwick" /name:MyApp /unregister "/reg:$keys_win"; echo
    printf '%q ' "${wine[@]}" "$tarnwick" /name:MyApp '/exec32:C:\my.dll' '/exec64:C:\my64.dll' \
      "/spares:$flushed_win" "/reg:$keys_win"; echo
    printf 'WINEPREFIX=%q wineserver -k\n' "$prefix"
  } >"$work/flush-runs.sh"
  strace -f -y -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/trace" bash "$work/flush-runs.sh" \
    >"$work/out.txt" 2>&1
  # Each rename of a temporary file over its file, and whether that temporary file was flushed first.
  verdict=$(python3 - "$work/trace" <<'PY'
import re, sys
flushed, renames = set(), []
for line in open(sys.argv[1], errors="replace"):
    m = re.search(r"\b(?:fsync|fdatasync)\(\d+<([^>]*)>\) = 0", line)
    if m: flushed.add(m.group(1))
    m = re.search(r'rename(?:at2?)?\((?:[^"]*)"([^"]*/~tw[0-9a-f]+)", (?:[^"]*)"([^"]*)"', line)
    if m: renames.append((m.group(1), m.group(2).rsplit("/", 1)[-1], m.group(1) in flushed))
print(" ".join("%s:%s" % (name, "flushed" if ok else "NOT-flushed") for _, name, ok in renames))
PY
)
  echo "renames: $verdict"
  # protk.dat unregistered and registered again (and that of the other loadpoint), and the two spare files.
  if [ "$(tr ' ' '\n' <<<"$verdict" | grep -c ':flushed$')" -ge 4 ] && ! grep -q NOT <<<"$verdict"; then
    pass "power cut: protk.dat (unregistered, registered) and both spare files on the disk before each rename"
  else
    fail "power cut: not every new file was flushed before its rename: $verdict"
  fi
  if grep -q '^exec_file C:\\my.dll' "$work/limit/text/protk.dat" && [ -s "$work/flushed/protkx32.dat" ]; then
    pass "power cut: registered"; else fail "power cut: not registered"; fi
  record "new files flushed before the rename (strace of the program and its Wine server): $verdict"
else
  echo "skipped: the new bytes on the disk before the rename (strace is missing or cannot trace here)"
  record "flush before the rename: skipped, strace cannot trace here"
fi

if [ "$failures" -eq 0 ]; then echo "disk faults: all cases passed"; rm -rf "$work"; exit 0; fi
echo "disk faults: $failures failures"
exit 1
