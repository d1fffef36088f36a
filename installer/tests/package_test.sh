#!/usr/bin/env bash
# The sample add-in package under Wine's msiexec (run by ctest in each Windows build, for its
# own bitness). In a Wine prefix of its own, with three installations laid out as real ones are,
# under keys of samples/registry-keys-ptc.txt (a Creo key's InstallDir names its Parametric
# folder, its CommonFilesLocation the Common Files folder that holds text\protk.dat and xtop.exe):
#   creo9   Creo 9.0.2.0, 64-bit view, protk.dat with another application's entry and a blank
#           line after it
#   wf5     Pro/ENGINEER Wildfire 5.0, 32-bit view, protk.dat with another application's entry
#           that ends the file
#   creo4   Creo 4.0, 64-bit although its keys are in the 32-bit view, no protk.dat
# and the Parametric folders with text folders of their own, which must stay empty,
# it checks the package's tables, then
#   1. an install forced to fail after the registration: rolled back, every protk.dat as after
#      a removal;
#   2. install without SolidWorks: one entry per loadpoint with the installed paths, the other
#      entries unchanged, Brimsett's lines in the log, no SolidWorks add-in; then removal: creo9
#      byte-identical to before, wf5 with the blank line that preceded the entry kept (Tarnwick's
#      removal keeps blank lines), creo4 with a single empty line, the installed files gone;
#   3. install with a registered SolidWorks-like server, found through its ProgID: the SolidWorks
#      add-in is installed; repair after an "upgrade" to a second class identifier finds the new
#      one and changes no byte of any protk.dat; a second repair with SOLIDWORKS_CLSID on the
#      command line detects the identifier given there; removal as in 2;
#   4. a removal forced to fail after the unregistration: rolled back, every protk.dat registered
#      again, byte for byte as before the removal.
# A fourth loadpoint, ro, holds a read-only protk.dat that no run may change: registration.log in
# the installation folder shows it passed over, beside Tarnwick's banner and the loadpoints.
# Usage: package_test.sh x86|x64 WORK_DIR
set -uo pipefail
arch=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$work/wineprefix
failures=0

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() {  # label command...
  local label=$1; shift
  if "$@"; then pass "$label"; else fail "$label"; fi
}
check_not() {  # label command...
  local label=$1; shift
  if "$@"; then fail "$label"; else pass "$label"; fi
}
# Builtin programs (msiexec, reg, regedit) run through the 64-bit loader, which exists on every
# machine that runs the tests; its msiexec runs x86 and x64 packages alike. The x64 package is
# tested where 32-bit programs may not run: there the 64-bit loader starts everything, as
# wine-run.sh --64 does.
wine_run=("$root/scripts/wine-run.sh")
loader=()
if [ "$arch" = x64 ]; then wine_run+=(--64); loader=(WINELOADER=/usr/lib/wine/wine64); fi
wine64() {
  env "${loader[@]}" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8 \
    /usr/lib/wine/wine64 "$@" </dev/null
}
stop_wine() { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; }
trap stop_wine EXIT

# ---- the packages and their tables ----
stop_wine
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
prefix=$work/wineprefix
if ! bash "$root/scripts/build-installer.sh" "$arch" "$work/package" >"$work/build.log" 2>&1 ||
  ! bash "$root/scripts/build-installer.sh" "$arch" "$work/package-failing" -D FailAfterRegistration=1 \
    >>"$work/build.log" 2>&1 ||
  ! bash "$root/scripts/build-installer.sh" "$arch" "$work/package-failing-removal" -D FailAfterUnregistration=1 \
    >>"$work/build.log" 2>&1; then
  cat "$work/build.log"
  echo "package test: the packages could not be built"
  exit 1
fi
msi=$work/package/sample-addin.msi
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }

# SOLIDWORKS_CLSID comes from the ProgID's CLSID (default value, raw, 64-bit view: type 18 in both
# packages), searched into a private property that SetSolidWorksClsid copies only while
# SOLIDWORKS_CLSID is empty, after AppSearch and before the detection in both sequences. Wine's
# installer reads the 64-bit view with or without the flag, so only this row shows the x86
# package's choice; Windows reads the 32-bit view without it.
check_solidworks_search_tables() {
  check "AppSearch: SolidWorksProgIdClsid from SolidWorksProgId" [ "$(table AppSearch)" = \
    $'SolidWorksProgIdClsid\tSolidWorksProgId' ]
  check "RegLocator: HKCR SldWorks.Application\\CLSID, default value, raw, 64-bit view" [ "$(table RegLocator)" = \
    $'SolidWorksProgId\t0\tSldWorks.Application\\CLSID\t\t18' ]
  check "SetSolidWorksClsid copies the search's result" [ "$(table CustomAction |
    awk -F'\t' '$1 == "SetSolidWorksClsid" { print $4 }')" = '[SolidWorksProgIdClsid]' ]
  check_not "no Property row for SOLIDWORKS_CLSID (it would always win)" grep -q $'^SOLIDWORKS_CLSID\t' \
    <(table Property)
  local ui_order
  ui_order=$(table InstallUISequence | sort -t$'\t' -k3,3n | cut -f1,2 |
    grep -E '^(AppSearch|SetSolidWorksClsid|CheckForSolidWorks|CostInitialize)\b' | tr '\t\n' '| ')
  check "InstallUISequence: AppSearch, SetSolidWorksClsid, detection, costing" [ "$ui_order" = \
    'AppSearch| SetSolidWorksClsid|NOT SOLIDWORKS_CLSID CheckForSolidWorks|NOT REMOVE~="ALL" CostInitialize| ' ]
}

# Each custom action with its type, source and target; each scheduled one with its condition and
# place in the sequence (between the standard actions around it).
actions=$(table CustomAction | cut -f1-3 | sort)
expected_actions=$(sort <<'EOF'
CheckForPelliton	1	Brimsett
CheckForSolidWorks	1	Brimsett
CreateTempDir	1	Brimsett
RegisterAddin	3186	TW_COMMAND
RemoveExtraRegKey	1	Brimsett
ResetLangToDefault	1	Brimsett
RollbackRegisterAddin	3442	TW_COMMAND
RollbackUnregisterAddin	3442	TW_COMMAND
SetGlobProductCode	51	GLOBPRODUCTCODE
SetProductInstallDir	51	PRODUCT_INSTALLDIR
SetSolidWorksClsid	51	SOLIDWORKS_CLSID
SetTarnwickCommand	51	TW_COMMAND
SetTempDir	51	TEMPDIR
UnregisterAddin	3186	TW_COMMAND
EOF
)
if [ "$actions" = "$expected_actions" ]; then pass "CustomAction table: actions and types"; else
  fail "CustomAction table"; diff <(echo "$expected_actions") <(echo "$actions"); fi
target_of() { table CustomAction | awk -F'\t' -v a="$1" '$1 == a { print $4 }'; }
# Each Tarnwick run through the command interpreter, appending its output to registration.log.
tarnwick_run() { printf '/s /c ""[#TarnwickExe]" %s >>"[INSTALLDIR]registration.log" 2>&1"' "$1"; }
check "SetTarnwickCommand: the command interpreter of the package's bitness" [ "$(target_of SetTarnwickCommand)" = \
  "[$([ "$arch" = x64 ] && echo System64Folder || echo SystemFolder)]cmd.exe" ]
check "RegisterAddin and RollbackUnregisterAddin register with the installed paths" [ "$(target_of RegisterAddin)" = \
  "$(tarnwick_run '/name:sample_addin /startup:dll "/exec32:[#AddinDll32]" "/exec64:[#AddinDll64]" "/text:[INSTALLDIR]text" "/desc:Sample Toolkit Add-in" "/reg:[#RegistryKeyList]"')" \
  -a "$(target_of RollbackUnregisterAddin)" = "$(target_of RegisterAddin)" ]
check "RollbackRegisterAddin and UnregisterAddin unregister" [ "$(target_of RollbackRegisterAddin)" = \
  "$(tarnwick_run '/name:sample_addin /unregister "/reg:[#RegistryKeyList]"')" -a "$(target_of UnregisterAddin)" = \
  "$(target_of RollbackRegisterAddin)" ]
check "registration.log removed with the Registration component" [ "$(table RemoveFile | cut -f2-5)" = \
  "$(printf 'Registration\tregistration.log\tINSTALLDIR\t2')" ]

sequence=$(table InstallExecuteSequence | sort -t$'\t' -k3,3n | cut -f1,2 |
  grep -E '^(AppSearch|SetSolidWorksClsid|CheckFor|RemoveExtra|CostInitialize|CostFinalize|SetTempDir|CreateTempDir|SetProduct|SetGlob|SetTarnwick|InstallValidate|RemoveFiles|InstallFiles|Rollback|RegisterAddin|UnregisterAddin|InstallFinalize|ResetLang)')
expected_sequence=$(cat <<'EOF'
AppSearch	
SetSolidWorksClsid	NOT SOLIDWORKS_CLSID
CheckForSolidWorks	NOT REMOVE~="ALL"
CheckForPelliton	NOT REMOVE~="ALL"
RemoveExtraRegKey	NOT REMOVE~="ALL"
CostInitialize	
CostFinalize	
SetTempDir	NOT REMOVE~="ALL"
CreateTempDir	NOT REMOVE~="ALL"
SetProductInstallDir	NOT REMOVE~="ALL"
SetGlobProductCode	NOT REMOVE~="ALL"
SetTarnwickCommand	
InstallValidate	
RollbackUnregisterAddin	REMOVE~="ALL"
UnregisterAddin	REMOVE~="ALL"
RemoveFiles	
InstallFiles	
RollbackRegisterAddin	NOT Installed
RegisterAddin	NOT REMOVE~="ALL"
InstallFinalize	
ResetLangToDefault	NOT REMOVE~="ALL"
EOF
)
if [ "$sequence" = "$expected_sequence" ]; then pass "InstallExecuteSequence: order and conditions"; else
  fail "InstallExecuteSequence"; diff <(echo "$expected_sequence") <(echo "$sequence"); fi
ui=$(table InstallUISequence | sort -t$'\t' -k3,3n | cut -f1 | tr '\n' ' ')
check "InstallUISequence: detection before costing" [ "${ui%%CostInitialize*}" != "$ui" -a \
  "$(echo "${ui%%CostInitialize*}" | grep -o 'CheckFor[A-Za-z]*' | tr '\n' ' ')" = "CheckForSolidWorks CheckForPelliton " ]
check "SolidWorks add-in component conditioned on SOLIDWORKS_LOCATION" [ "$(table Component |
  awk -F'\t' '$1 == "SolidWorksAddin" { print $5 }')" = 'SOLIDWORKS_LOCATION OR REMOVE~="ALL"' ]
check_solidworks_search_tables
template=$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')
check "platform $template" [ "$template" = "$([ "$arch" = x64 ] && echo 'x64;1033' || echo 'Intel;1033')" ]

# ---- the machine ----
if ! "${wine_run[@]}" "$prefix" cmd /c exit 0 >/dev/null 2>"$work/wine-run.log"; then  # creates the prefix
  cat "$work/wine-run.log"
  echo "package test: no Wine prefix"
  exit 1
fi
c=$prefix/drive_c
test_dir=$c/PackageTest
mkdir -p "$test_dir"
declare -A loadpoint=(
  [creo9]="PTC/Creo 9.0.2.0/Common Files"
  [wf5]="PTC/proeWildfire 5.0"
  [creo4]="PTC/Creo 4.0/M150/Common Files"
)
parametric=("PTC/Creo 9.0.2.0/Parametric" "PTC/Creo 4.0/M150/Parametric")
for lp in "${loadpoint[@]}"; do mkdir -p "$c/$lp/text"; done
for p in "${parametric[@]}"; do mkdir -p "$c/$p/text" "$c/$p/bin" && printf 'MZ' >"$c/$p/bin/parametric.exe"; done
# xtop.exe in the machine folder of each installation's bitness.
for xtop in "${loadpoint[creo9]}/x86e_win64" "${loadpoint[wf5]}/i486_nt" "${loadpoint[creo4]}/x86e_win64"; do
  mkdir -p "$c/$xtop/obj" && printf 'MZ' >"$c/$xtop/obj/xtop.exe"
done
protk() { echo "$c/${loadpoint[$1]}/text/protk.dat"; }
printf 'name other_addin\r\nstartup dll\r\nexec_file C:\\Other\\other.dll\r\nallow_stop true\r\nend\r\n\r\n' \
  >"$(protk creo9)"
printf 'name wf_tool\r\nexec_file C:\\WF\\wf_tool.dll\r\nend\r\n' >"$(protk wf5)"
for lp in creo9 wf5; do cp "$(protk $lp)" "$work/$lp.before"; done

# The loadpoints' keys (64-bit regedit: Wow6432Node is the 32-bit view).
cat >"$work/loadpoints.txt" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\PTC\PTC Creo Parametric\9.0.2.0]
"InstallDir"="C:\\PTC\\Creo 9.0.2.0\\Parametric"
"CommonFilesLocation"="C:\\PTC\\Creo 9.0.2.0\\Common Files"
"Release"="9.0.2.0"

[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\PTC\Pro/ENGINEER\Wildfire 5.0\M280]
"InstallDir"="C:\\PTC\\proeWildfire 5.0"

[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\PTC\PTC Creo Parametric\4.0\M150]
"InstallDir"="C:\\PTC\\Creo 4.0\\M150\\Parametric"
"CommonFilesLocation"="C:\\PTC\\Creo 4.0\\M150\\Common Files"
"Release"="4.0"
EOF
bash "$root/scripts/import-reg.sh" "$prefix" <"$work/loadpoints.txt"
# ro: a loadpoint whose protk.dat is read-only, left alone by every run.
mkdir -p "$c/PTC/Creo 8.0.0.0/Parametric" "$c/PTC/Creo 8.0.0.0/Common Files/text"
ro_protk="$c/PTC/Creo 8.0.0.0/Common Files/text/protk.dat"
printf 'name locked_tool\r\nend\r\n' >"$ro_protk"
cp "$ro_protk" "$work/ro.before"
chmod a-w "$ro_protk"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\PTC\PTC Creo Parametric\8.0.0.0]' \
  '"InstallDir"="C:\\PTC\\Creo 8.0.0.0\\Parametric"' \
  '"CommonFilesLocation"="C:\\PTC\\Creo 8.0.0.0\\Common Files"' '"Release"="8.0.0.0"' |
  bash "$root/scripts/import-reg.sh" "$prefix"
check "loadpoint key written in the 32-bit view" [ -n "$(wine64 reg query \
  'HKLM\SOFTWARE\PTC\Pro/ENGINEER\Wildfire 5.0\M280' /reg:32 2>/dev/null)" ]

if [ "$arch" = x64 ]; then install_dir='C:\Program Files\Sample Toolkit Add-in'; else
  install_dir='C:\Program Files (x86)\Sample Toolkit Add-in'; fi
installed=$c/$(printf '%s' "${install_dir#C:\\}" | tr '\\' '/')

# The entry that Tarnwick appends for a loadpoint of the given bitness's list.
entry() {  # x86|x64
  printf '%s\r\n' "name sample_addin" "startup dll" "exec_file $install_dir\\$1\\sample_addin.dll" \
    "text_dir $install_dir\\text" "unicode_encoding false" "delay_start false" "allow_stop true" \
    "description Sample Toolkit Add-in" "end"
}

# msiexec with a verbose log; its exit code in $rc, the log (read once msiexec has ended) in
# $work/<name>.log.
msiexec() {  # name msiexec-arguments...
  local name=$1; shift
  cp "$msi" "$test_dir/sample-addin.msi"
  rc=0
  wine64 msiexec "$@" /qn /l*v "C:\\PackageTest\\$name.log" >/dev/null 2>&1 || rc=$?
  tr -d '\r' <"$test_dir/$name.log" >"$work/$name.log" 2>/dev/null
}
package='C:\PackageTest\sample-addin.msi'
log_has() { grep -qaF -- "$2" "$work/$1.log"; }

check_registered() {  # label
  check "$1: creo9 (64-bit) keeps the other entry and gains one entry" cmp -s "$(protk creo9)" \
    <(cat "$work/creo9.before"; entry x64)
  check "$1: wf5 (32-bit) keeps the other entry and gains one entry" cmp -s "$(protk wf5)" \
    <(cat "$work/wf5.before"; printf '\r\n'; entry x86)
  check "$1: creo4 (64-bit, keys in the 32-bit view) holds one entry" cmp -s "$(protk creo4)" \
    <(printf '\r\n'; entry x64)
  check_parametric "$1"
}
check_parametric() {  # label
  local p
  for p in "${parametric[@]}"; do
    check "$1: nothing written under $p" [ -z "$(ls -A "$c/$p/text")" ]
  done
}
check_removed() {  # label
  check "$1: creo9 byte-identical to before the install" cmp -s "$(protk creo9)" "$work/creo9.before"
  # The blank line that separated the entry from the one before it stays with that one.
  check "$1: wf5 as before, with the separating blank line kept" cmp -s "$(protk wf5)" \
    <(cat "$work/wf5.before"; printf '\r\n')
  check "$1: creo4 holds no entry" cmp -s "$(protk creo4)" <(printf '\r\n')
  check_parametric "$1"
}
check_files() {  # label with|without SolidWorks add-in
  local missing=""
  for f in tarnwick.exe registry-keys-ptc.txt x86/sample_addin.dll x64/sample_addin.dll text/sample_addin.txt; do
    [ -f "$installed/$f" ] || missing+=" $f"
  done
  check "$1: installed files present${missing:+ (missing:$missing)}" [ -z "$missing" ]
  if [ "$2" = with ]; then
    check "$1: SolidWorks add-in installed" [ -f "$installed/SolidWorks/sample_addin_sw.dll" ]
  else
    check "$1: no SolidWorks add-in" [ ! -e "$installed/SolidWorks/sample_addin_sw.dll" ]
  fi
}

# ---- 1. an install that fails after the registration ----
msi=$work/package-failing/sample-addin.msi
msiexec failed /i "$package"
msi=$work/package/sample-addin.msi
# Wine's msiexec ends a failed installation with 1627, Windows' with 1603.
check "forced failure: msiexec fails" [ "$rc" -ne 0 ]
# In the log of the script's run: RegisterAddin, then the failure, then the rollback.
check "forced failure: RegisterAddin ran, then the failure, then RollbackRegisterAddin" [ "$(sed -n \
  -e '/^Action start [0-9:]*: InstallFinalize\./,$s/^Action ended [0-9:]*: \(RegisterAddin\|FailAfterRegistration\)\. Return value \([0-9]*\)\./\1 \2/p' \
  -e '/^Action start [0-9:]*: InstallFinalize\./,$s/^Action start [0-9:]*: \(RollbackRegisterAddin\)\./\1/p' \
  "$work/failed.log" | tr '\n' ' ')" = "RegisterAddin 1 FailAfterRegistration 0 RollbackRegisterAddin " ]
check_removed "forced failure, rolled back"

# ---- 2. install and removal without SolidWorks ----
msiexec install /i "$package"
check "install: msiexec succeeds" [ "$rc" -eq 0 ]
check_registered "install"
check_files "install" without
for line in 'RemoveExtraRegKey:  Initialized.' 'CreateTempDir:  Initialized.'; do
  check "install: log has \"$line\"" log_has install "$line"
done
check_not "install: no CheckForCADApplication line (nothing registered)" log_has install 'CheckForCADApplication:  '
check_not "install: no ProgID, so no SOLIDWORKS_CLSID" log_has install 'Property(S): SOLIDWORKS_CLSID = '
check_not "install: no Brimsett error line" grep -qaE '^[A-Za-z]+:  Error 0x' "$work/install.log"
# What Tarnwick printed, kept in the installation folder.
tr -d '\r' <"$installed/registration.log" >"$work/registration.log" 2>/dev/null
for line in 'Pro/TOOLKIT integration utility' 'The following Pro/ENGINEER / Creo loadpoints have been found' \
  'C:\PTC\Creo 8.0.0.0\Common Files' 'Passed over "C:\PTC\Creo 8.0.0.0\Common Files\text\protk.dat": read-only'; do
  check "install: registration.log has \"$line\"" grep -qxF -- "$line" "$work/registration.log"
done
check "install: the read-only protk.dat unchanged" cmp -s "$ro_protk" "$work/ro.before"
temp_dirs=("$c"/users/*/Temp/"Sample Toolkit Add-in")
check "install: TEMPDIR created" [ -d "${temp_dirs[0]}" ]

msiexec remove /x "$package"
check "remove: msiexec succeeds" [ "$rc" -eq 0 ]
check_removed "remove"
check "remove: installed files gone" [ ! -e "$installed/tarnwick.exe" -a ! -e "$installed/x64/sample_addin.dll" \
  -a ! -e "$installed/text/sample_addin.txt" ]

# ---- 3. with SolidWorks: install (verbose Brimsett lines), repair, removal ----
# A SolidWorks-like application, registered as a 64-bit SolidWorks registers: in the 64-bit view,
# the version-independent ProgID names the installed version's class identifier, whose local
# server is the executable with a switch. Each "version" has a class identifier and a folder of
# its own. (Wine redirects HKCR\CLSID and the ProgID's key per view: both are written in the
# 64-bit view, which the package's search and CheckForSolidWorks read.)
sw_clsid_a='{B2F1524F-6CFE-4386-B472-AB1148DEA4F1}' sw_clsid_b='{7D3A9C41-2E5B-4F68-9A0C-1B2D3E4F5061}'
sw_exe_a='C:\SolidWorks Corp\SOLIDWORKS\SLDWORKS.exe'
sw_exe_b='C:\SolidWorks Corp 2024\SOLIDWORKS\SLDWORKS.exe'
for exe in "$sw_exe_a" "$sw_exe_b"; do
  unix_exe=$c/$(printf '%s' "${exe#C:\\}" | tr '\\' '/')
  mkdir -p "$(dirname "$unix_exe")"
  printf 'MZ' >"$unix_exe"
done
sw_local_server() {  # class-identifier executable: the class's registration, as .reg text
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s\\LocalServer32]\n@="\\"%s\\" /automation"\n\n' \
    "$1" "${2//\\/\\\\}"
}
sw_prog_id() {  # class-identifier: the ProgID naming it, as .reg text
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\SldWorks.Application\\CLSID]\n@="%s"\n\n' "$1"
}
sw_register() {  # .reg text after the header
  { printf 'Windows Registry Editor Version 5.00\n\n'; cat; } | bash "$root/scripts/import-reg.sh" "$prefix"
}
# The log lines of a detection that used the given identifier and found the given executable.
check_detected() {  # label log class-identifier executable
  local line
  for line in "Property(S): SOLIDWORKS_CLSID = $3" \
    "CheckForCADApplication:  Getting registry value CLSID\\$3\\LocalServer32\\(Default)" \
    "CheckForCADApplication:  Looking for file $4" "Property(S): SOLIDWORKS_LOCATION = $4"; do
    check "$1: log has \"$line\"" log_has "$2" "$line"
  done
}

{ sw_prog_id "$sw_clsid_a"; sw_local_server "$sw_clsid_a" "$sw_exe_a"; } | sw_register
msiexec install-sw /i "$package" LOGVERBOSE=1
check "install with SolidWorks: msiexec succeeds" [ "$rc" -eq 0 ]
check_detected "install with SolidWorks" install-sw "$sw_clsid_a" "$sw_exe_a"
check_registered "install with SolidWorks"
check_files "install with SolidWorks" with
for line in 'RemoveExtraRegKey:  Initialized.' 'CreateTempDir:  Initialized.' 'ResetLangToDefault:  Entering ResetLangToDefault in '; do
  check "install with SolidWorks: log has \"$line\"" log_has install-sw "$line"
done
if [ "$arch" = x64 ]; then
  # ResetLangToDefault works in the 64-bit view, where the x64 package's rows are.
  settings=$(wine64 reg query 'HKLM\Software\Sample Toolkit\Sample Toolkit Add-in' /reg:64 2>/dev/null | tr -d '\r')
  check "install with SolidWorks: the product's settings reset to English" \
    grep -qE '^ +Locale +REG_SZ +en-US$' <<<"$settings"
fi

for lp in creo9 wf5 creo4; do cp "$(protk $lp)" "$work/$lp.installed"; done
# SolidWorks "upgraded" before the repair: the ProgID names a second class identifier, and the
# first one is gone.
{ printf '[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\%s]\n\n' "$sw_clsid_a"; sw_prog_id "$sw_clsid_b"
  sw_local_server "$sw_clsid_b" "$sw_exe_b"; } | sw_register
# Wine's msiexec /f repairs nothing (it wants a product code and cannot use one yet); the
# properties that /fomus stands for do the same repair.
msiexec repair /i "$package" REINSTALL=ALL REINSTALLMODE=omus
check "repair: msiexec succeeds" [ "$rc" -eq 0 ]
check_detected "repair after the upgrade" repair "$sw_clsid_b" "$sw_exe_b"
check "repair: RegisterAddin ran again" grep -qE '^Action start [0-9:]+: RegisterAddin\.' "$work/repair.log"
for lp in creo9 wf5 creo4; do
  check "repair: $lp unchanged to the byte" cmp -s "$(protk $lp)" "$work/$lp.installed"
done

# Both versions registered, the ProgID naming the second: an identifier given on the command line
# wins over the search.
sw_local_server "$sw_clsid_a" "$sw_exe_a" | sw_register
msiexec forced /i "$package" REINSTALL=ALL REINSTALLMODE=omus "SOLIDWORKS_CLSID=$sw_clsid_a"
check "repair with SOLIDWORKS_CLSID given: msiexec succeeds" [ "$rc" -eq 0 ]
check "repair with SOLIDWORKS_CLSID given: the search found the other identifier" \
  log_has forced "Property(S): SolidWorksProgIdClsid = $sw_clsid_b"
check_detected "repair with SOLIDWORKS_CLSID given" forced "$sw_clsid_a" "$sw_exe_a"

msiexec remove-sw /x "$package"
check "remove with SolidWorks: msiexec succeeds" [ "$rc" -eq 0 ]
check_removed "remove with SolidWorks"
check "remove with SolidWorks: the installation folder is gone" [ ! -e "$installed" ]

# ---- 4. a removal that fails after the unregistration ----
msi=$work/package-failing-removal/sample-addin.msi
msiexec install-failing-removal /i "$package"
check "install (removal to fail): msiexec succeeds" [ "$rc" -eq 0 ]
check_registered "install (removal to fail)"
for lp in creo9 wf5 creo4; do cp "$(protk $lp)" "$work/$lp.installed"; done
msiexec failed-removal /x "$package"
check "forced removal failure: msiexec fails" [ "$rc" -ne 0 ]
# A removal runs its script at InstallExecute.
check "forced removal failure: UnregisterAddin ran, then the failure, then RollbackUnregisterAddin" [ "$(sed -n \
  -e '/^Action start [0-9:]*: InstallExecute\./,$s/^Action ended [0-9:]*: \(UnregisterAddin\|FailAfterUnregistration\)\. Return value \([0-9]*\)\./\1 \2/p' \
  -e '/^Action start [0-9:]*: InstallExecute\./,$s/^Action start [0-9:]*: \(RollbackUnregisterAddin\)\./\1/p' \
  "$work/failed-removal.log" | tr '\n' ' ')" = "UnregisterAddin 1 FailAfterUnregistration 0 RollbackUnregisterAddin " ]
for lp in creo9 wf5 creo4; do
  check "forced removal failure, rolled back: $lp registered again, byte for byte" cmp -s "$(protk $lp)" \
    "$work/$lp.installed"
done
msi=$work/package/sample-addin.msi

if [ "$failures" -eq 0 ]; then echo "sample add-in package ($arch): all checks passed"; exit 0; fi
echo "sample add-in package ($arch): $failures failures"
exit 1
