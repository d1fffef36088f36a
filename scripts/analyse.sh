#!/usr/bin/env bash
# Static analysis of both builds: clang-tidy (configuration in .clang-tidy) and cppcheck, plus a
# clang-format check. Expects the host and windows build trees (compile_commands.json) to exist.
# Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
status=0

# Our own sources as each build compiles them, from every folder of the repository (GoogleTest,
# which lies outside it, and generated files in build/ left out).
sources() {
  python3 - "$1" <<'PY'
import json, os, sys
seen = set()
for entry in json.load(open(sys.argv[1])):
    f = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    rel = os.path.relpath(f)
    if not rel.startswith(("..", "build/")) and rel.endswith(".cpp") and rel not in seen:
        seen.add(rel)
        print(rel)
PY
}

echo "== clang-format"
files=$(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror $files; then status=1; fi

echo "== clang-tidy (host: the platform-free core and its tests)"
host_files=$(sources build/host/compile_commands.json)
if ! printf '%s\n' $host_files | xargs -r -P "$jobs" -n 4 clang-tidy -p build/host --quiet 2>/dev/null; then status=1; fi

echo "== clang-tidy (windows: the Win32 edge and the Windows test programs)"
win_files=$(sources build/windows/compile_commands.json | grep -v -x -F -f <(printf '%s\n' $host_files) || true)
mingw_includes=$(i686-w64-mingw32-g++-posix -E -x c++ - -v </dev/null 2>&1 |
  sed -n '/#include <...> search starts here:/,/End of search list./p' | grep '^ ' | sed 's/^ //')
win_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc)
for d in $mingw_includes; do win_args+=("--extra-arg=-isystem$d"); done
if [ -n "$win_files" ]; then
  if ! printf '%s\n' $win_files | xargs -r -P "$jobs" -n 4 clang-tidy -p build/windows --quiet "${win_args[@]}" 2>/dev/null; then
    status=1
  fi
fi

echo "== cppcheck"
for build in host windows; do
  platform=unix64; libraries=--library=googletest
  [ "$build" = windows ] && platform=win32W && libraries="--library=googletest --library=windows"
  mkdir -p build/cppcheck-$build
  # Only our own sources: GoogleTest and build/ are left out.
  python3 - build/$build/compile_commands.json build/cppcheck-$build/compile_commands.json <<'PY'
import json, os, sys
entries = [e for e in json.load(open(sys.argv[1]))
           if not os.path.relpath(os.path.join(e["directory"], e["file"])).startswith(("..", "build/"))]
json.dump(entries, open(sys.argv[2], "w"))
PY
  if ! cppcheck --quiet --project=build/cppcheck-$build/compile_commands.json --platform=$platform \
      --enable=warning,performance,portability --inline-suppr --error-exitcode=1 $libraries \
      --suppress=missingIncludeSystem --cppcheck-build-dir=build/cppcheck-$build --std=c++20 -j "$jobs"; then
    status=1
  fi
done

if [ "$status" -eq 0 ]; then echo "analysis: no findings"; else echo "analysis: findings above"; fi
exit "$status"
