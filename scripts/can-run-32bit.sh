#!/usr/bin/env bash
# Tells whether this machine can run Windows programs of the 32-bit build: exits 0 when Wine's
# 32-bit loader starts; otherwise prints the reason on one line and exits 1. Some kernels have
# their 32-bit emulation switched off, and every 32-bit program fails there with "Exec format
# error"; 64-bit Wine still works on them.
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "Wine's 32-bit loader $loader is not installed"
  exit 1
fi
if output=$("$loader" --version 2>&1 </dev/null); then
  exit 0
fi
case "$output" in
  *'Exec format error'*) echo "this kernel cannot run 32-bit programs" ;;
  *) echo "Wine's 32-bit loader $loader does not start: ${output##*: }" ;;
esac
exit 1
