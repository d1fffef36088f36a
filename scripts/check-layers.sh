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

forbid_but "win/ includes only Win32, the standard library and itself" '"' '"win/' $(files_in win)
forbid "the platform-free files include nothing from win/" '"win/' \
  $(files_in tarnwick brimsett testkit fuzz | grep -v -E '_(win|e2e|session)[._]')
forbid "discovery/ includes neither cli/ nor registration/" '"(cli|registration)/' $(files_in tarnwick/discovery)
forbid "registration/ includes nothing from cli/" '"cli/' $(files_in tarnwick/registration)
forbid_but "registration/ takes only the Loadpoints type from discovery/" '"discovery/' '"discovery/loadpoints\.h"' \
  $(files_in tarnwick/registration)
forbid "cli/ reaches the search and the registration only through the steps main_win.cpp hands it" \
  '"(registration/|discovery/loadpoint_search\.h)' $(files_in tarnwick/cli | grep -v '/main_win\.cpp$')
forbid "platform/ includes none of the folders above it" '"(cli|discovery|registration)/' $(files_in tarnwick/platform)
forbid "runtime/ includes neither actions/ nor tests/" '"(actions|tests)/' \
  $(files_in brimsett/runtime | grep -v '_test\.cpp$')
# The runtime's own order: each of these modules uses only those before it; the runtime's other
# files (text, failure codes, handles, key, strings, file version) use none of them.
runtime_order=(installer_session action_log properties verbose_logging action_frame)
ordered=$(IFS='|'; echo "${runtime_order[*]}")
later=$ordered
for module in "${runtime_order[@]}"; do
  later=${later#"$module"}; later=${later#|}
  [ -n "$later" ] && forbid "runtime/$module uses none of the runtime modules after it" "\"runtime/($later)_win\.h\"" \
    $(files_in brimsett/runtime | grep "/${module}_win\.")
done
forbid "the runtime's helper files use none of its ordered modules" "\"runtime/($ordered)_win\.h\"" \
  $(files_in brimsett/runtime | grep -v -E "/($ordered)_win\.|_test\.cpp$")

if [ "$status" -eq 0 ]; then echo "check-layers: every include follows the rules"; fi
exit "$status"
