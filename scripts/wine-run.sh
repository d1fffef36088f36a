#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix (created on first use).
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is initialised and its server started with their output sent to /dev/null, so that
# the service processes Wine starts never hold the caller's pipes open.
set -eu
prefix=$1; shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=C.UTF-8
export WINEARCH=win64
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ] || [ ! -f "$prefix/.ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    touch "$prefix/.ready"
  fi
  # Keep the server alive between the many short program starts of a test run.
  wineserver -p 60 </dev/null >/dev/null 2>&1 9>&- || true
  # Start the services before the program, so that none of them inherits its output.
  # Children never get the lock's descriptor (9>&-): the services outlive this script.
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$prefix.lock"
exec wine "$@"
