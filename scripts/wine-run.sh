#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix (created on first use).
# Usage: wine-run.sh [--64] PREFIX PROGRAM [ARGS...]
#   --64  runs everything through 64-bit Wine's own loader (wine64), which needs nothing 32-bit
#         from the kernel: the x86_64 build's tests and the demo on machines that cannot run
#         32-bit programs use it. Without it the `wine` script runs the program, with Wine's
#         32-bit loader, as the 32-bit build needs.
# The prefix is initialised and its server started with their output sent to /dev/null, so that
# the service processes Wine starts never hold the caller's pipes open. When Wine cannot make or
# start the prefix, one line says which loader failed and why, and nothing runs in it.
set -eu
loader=wine
if [ "${1:-}" = --64 ]; then
  loader=/usr/lib/wine/wine64
  export WINELOADER=$loader
  shift
fi
prefix=$1; shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=C.UTF-8
export WINEARCH=win64

fail() {
  echo "wine-run: $*" >&2
  exit 125
}

# The loader itself first: on a kernel without 32-bit support the 32-bit one cannot even start.
if [ "$loader" = wine ]; then
  if ! reason=$(bash "$(dirname "$0")/can-run-32bit.sh"); then
    fail "Wine's 32-bit loader cannot start: $reason (the x86_64 build runs with --64)"
  fi
elif ! message=$("$loader" --version 2>&1 </dev/null); then
  fail "Wine's 64-bit loader $loader cannot start: ${message##*: }"
fi

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.ready" ]; then
    # A prefix left half-made by an earlier attempt is made anew.
    rm -rf "$prefix"
    log="$prefix.wineboot.log"
    # Its exit code says little (64-bit Wine alone warns about the 32-bit side it lacks); the
    # registry, which the server writes when it ends, says that the prefix is there.
    "$loader" wineboot -i </dev/null >"$log" 2>&1 9>&- || true
    wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
    if [ ! -f "$prefix/system.reg" ]; then
      reason=$(grep -v '^[[:space:]]*$' "$log" | grep -iE 'error|cannot|failed|not found' | tail -1 || true)
      rm -rf "$prefix"
      fail "cannot make the Wine prefix $prefix with $loader wineboot -i: ${reason:-no system.reg was written} (log: $log)"
    fi
    touch "$prefix/.ready"
  fi
  # Keep the server alive between the many short program starts of a test run.
  wineserver -p 60 </dev/null >/dev/null 2>&1 9>&- || true
  # Start the services before the program, so that none of them inherits its output.
  # Children never get the lock's descriptor (9>&-): the services outlive this script.
  # Its exit code is not the prefix's state (it can fail while the services start); the program's
  # own start below tells.
  "$loader" cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$prefix.lock"
exec "$loader" "$@"
