#!/usr/bin/env bash
# Counts the Wine server requests a registration makes per loadpoint, by kind: a fresh Wine server
# printing every request (wineserver -d1), tarnwick.exe registering into 10 and then 20 loadpoints
# whose protk.dat holds 4 KB of other applications' entries, the difference of the two runs'
# per-kind counts divided by 10. Process start, the key search's fixed part and the services of
# the prefix cancel out; the figure does not swing with the machine's load as times do.
# Usage: server-requests.sh TARNWICK_EXE [WORK_DIR]    (an x86_64 build; its own prefix in WORK_DIR)
set -eu
exe=$(realpath "$1")
out=${2:-build/server-requests}
mkdir -p "$out"
out=$(realpath "$out")
prefix=$out/prefix
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
wine=/usr/lib/wine/wine64
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$prefix/.ready" ]; then
  WINEDEBUG=-all $wine wineboot -i </dev/null >/dev/null 2>&1 || true
  for n in 10 20; do
    for i in $(seq 1 $n); do
      WINEDEBUG=-all $wine reg add "HKLM\\SOFTWARE\\TwCount\\N$n\\k$i" /v InstallDir /d "C:\\count\\n$n\\lp$i" /reg:64 /f \
        >/dev/null 2>&1 </dev/null
      mkdir -p "$prefix/drive_c/count/n$n/lp$i/text" "$prefix/drive_c/count/n$n/lp$i/x86e_win64/obj"
      : >"$prefix/drive_c/count/n$n/lp$i/x86e_win64/obj/xtop.exe"
    done
    printf 'SOFTWARE\\TwCount\\N%s\r\n' $n >"$prefix/drive_c/count/keys$n.txt"
  done
  wineserver -w
  touch "$prefix/.ready"
fi
python3 - "$out/protk.dat" <<'PY'
import sys
s, i = b"", 0
while len(s) < 4096:
    s += b"name Other%03d\r\nexec_file C:\\other\\o%03d.dll\r\nallow_stop true\r\nend\r\n\r\n" % (i, i); i += 1
open(sys.argv[1], "wb").write(s[:4096])
PY
cp "$exe" "$prefix/drive_c/count/tarnwick.exe"
for n in 10 20; do
  for i in $(seq 1 $n); do
    cp "$out/protk.dat" "$prefix/drive_c/count/n$n/lp$i/text/protk.dat"
    rm -f "$prefix/drive_c/count/n$n/lp$i/text/"~tw*
  done
  wineserver -k >/dev/null 2>&1 || true
  wineserver -d1 -f -p 2>"$out/server$n.log" </dev/null &
  server=$!
  sleep 1
  # A first run starts the prefix's services; only the requests after it are counted.
  WINEDEBUG=-all $wine 'C:\count\tarnwick.exe' '/?' >/dev/null 2>&1 </dev/null || true
  sleep 3
  start=$(wc -l <"$out/server$n.log")
  WINEDEBUG=-all $wine 'C:\count\tarnwick.exe' /name:MyApp "/reg:C:\\count\\keys$n.txt" '/exec64:C:\x64\my.dll' \
    >"$out/run$n.out" 2>&1 </dev/null || true
  wineserver -k
  wait $server || true
  tail -n +$((start + 1)) "$out/server$n.log" | grep -av ') = ' | grep -aoE '^[0-9a-f]{4}: [a-z_]+\(' |
    sed -E 's/^[0-9a-f]{4}: //; s/\($//' | sort | uniq -c | awk '{print $2, $1}' | sort >"$out/kinds$n.txt"
done
join -a1 -a2 -e0 -o 0,1.2,2.2 "$out/kinds10.txt" "$out/kinds20.txt" |
  awk '{d = ($3 - $2) / 10; if (d != 0) printf "%-24s %5.1f\n", $1, d; t += d} END {printf "%-24s %5.1f\n", "per loadpoint", t}'
