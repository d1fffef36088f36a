#!/usr/bin/env bash
# Checks the include rules of docs/architecture.md, so that the layering holds by the build's own
# test rather than by review: which folder may include what, and that the platform-free files
# (every file without _win, _e2e or _session in its name) include no Win32 header.
# Usage: check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

status=0
# The quoted and angled includes of the given files, as "file:line:text".
includes() { grep -HnE '^[[:space:]]*#[[:space:]]*include' "$@" /dev/null || true; }
# Reports every include of the files that matches the pattern.
forbid() {  # rule pattern files...
  forbid_but "$1" "$2" '^$' "${@:3}"
}
# The same, for the includes that match the pattern but not the exception.
forbid_but() {  # rule pattern exception files...
  local rule=$1 pattern=$2 exception=$3; shift 3
  local found
  found=$(includes "$@" | grep -E "$pattern" | grep -v -E "$exception" || true)
  if [ -n "$found" ]; then
    echo "check-layers: $rule:"
    echo "$found" | sed 's/^/  /'
    status=1
  fi
}
files_in() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort; }

forbid "discovery/ includes neither cli/ nor registration/" '"(cli|registration)/' $(files_in tarnwick/discovery)
forbid "registration/ includes nothing from cli/" '"cli/' $(files_in tarnwick/registration)
forbid_but "registration/ takes only the Loadpoints type from discovery/" '"discovery/' '"discovery/loadpoints\.h"' \
  $(files_in tarnwick/registration)
forbid "cli/ reaches the search and the registration only through the steps main_win.cpp hands it" \
  '"(registration/|discovery/loadpoint_search\.h)' $(files_in tarnwick/cli | grep -v '/main_win\.cpp$')
forbid "platform/ includes none of the folders above it" '"(cli|discovery|registration)/' $(files_in tarnwick/platform)
forbid "runtime/ includes neither actions/ nor tests/" '"(actions|tests)/' $(files_in brimsett/runtime)
forbid "actions/ includes nothing from tests/" '"tests/' $(files_in brimsett/actions)
forbid "the test kit serves both deliverables and includes neither" \
  '"(cli|discovery|registration|platform|runtime|actions|tests)/' $(files_in testkit)
# The product includes no test support (the unit tests beside it may include only the product).
product=$(files_in tarnwick/cli tarnwick/discovery tarnwick/registration tarnwick/platform brimsett/runtime \
  brimsett/actions | grep -v -E '_test\.cpp$|/bench/' || true)
forbid "the product includes no test support" '"(testkit|tests)/' $product $(ls tarnwick/*.h)
# The platform-free core: no Win32 header, no Win32 edge, in the product and in its host tests.
core=$(files_in tarnwick brimsett fuzz | grep -v -E '_win(_test)?\.(cpp|h)$|_e2e_test\.cpp$|_session_test\.cpp$' |
  grep -v -E '^(tarnwick|brimsett)/tests/' || true)
forbid "platform-free files include no Win32 header and no *_win.h" \
  '<(windows|msi|msiquery|objbase|psapi)\.h>|_win\.h"|"platform/' $core

if [ "$status" -eq 0 ]; then echo "check-layers: every include follows the rules"; fi
exit "$status"
