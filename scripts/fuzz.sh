#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, ASan, UBSan) and runs each for a
# bounded time from its seed corpus. Writes the figures of the run to build/figures/fuzz.txt.
# An input that makes a target fail is copied into fuzz/regressions/<target>/, where the host
# builds' ctest replays it from then on; commit it together with the fix.
# Usage: scripts/fuzz.sh [seconds per target, default 10: about a minute in all]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
targets=(command_line key_list registry_merge bounded_format server_command log_line)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/figures
figures=build/figures/fuzz.txt
printf '%-16s %8s %12s %10s %10s %8s %8s\n' target seeds executions exec/s corpus seconds crashes >"$figures"
status=0
for target in "${targets[@]}"; do
  fuzzer=build/fuzz/fuzz/fuzz_$target
  [ -x "$fuzzer" ] || continue
  work=build/fuzz/work/$target
  artifacts=build/fuzz/artifacts/$target
  log=build/fuzz/$target.log
  rm -rf "$work" "$artifacts"
  mkdir -p "$work" "$artifacts"
  seeds=$(find fuzz/corpus/$target -type f | wc -l)
  started=$(date +%s)
  dictionary=()
  [ -f fuzz/dict/$target.dict ] && dictionary=(-dict="fuzz/dict/$target.dict")
  rc=0
  # The working corpus is the first directory (libFuzzer adds what it finds there); the committed
  # seeds stay as they are.
  "$fuzzer" -max_total_time="$seconds" -runs=50000000 -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "${dictionary[@]}" "$work" "fuzz/corpus/$target" >"$log" 2>&1 || rc=$?
  elapsed=$(( $(date +%s) - started ))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  corpus=$(find "$work" -type f | wc -l)
  crashes=$(find "$artifacts" -type f | wc -l)
  printf '%-16s %8s %12s %10s %10s %8s %8s\n' "$target" "$seeds" "${executions:-0}" "${rate:-0}" \
    "$((corpus + seeds))" "$elapsed" "$crashes" | tee -a "$figures"
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    status=1
    mkdir -p fuzz/regressions/$target
    cp "$artifacts"/* fuzz/regressions/$target/ 2>/dev/null || true
    echo "fuzz_$target failed (exit $rc); its log: $log; the input is kept in fuzz/regressions/$target/"
    grep -E 'property does not hold|ERROR|SUMMARY' "$log" | head -5 || true
  fi
done
exit "$status"
