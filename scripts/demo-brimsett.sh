#!/usr/bin/env bash
# Brimsett part of the demo: on the demo machine (the Wine prefix given as the first argument),
# a SolidWorks-like application is registered as a COM local server with a quoted path and
# Pelliton is not registered; msiexec installs a small product package whose sequences run the
# five custom actions of brimsett.dll. Shows the actions' log lines, the properties they set and
# the registry they left. Expects the Windows build to exist: the second argument names its
# preset, windows (the 32-bit DLL, the default) or windows64 (the x86_64 build, in an x64 package).
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=${1:-$PWD/build/demo/wineprefix}
preset=${2:-windows}
wine_run=(scripts/wine-run.sh)
[ "$preset" = windows64 ] && wine_run+=(--64)
run() { "${wine_run[@]}" "$prefix" "$@"; }
run cmd /c exit 0 >/dev/null 2>&1   # creates the prefix when it is new

sw_clsid='{3C1E6F2A-8D4B-4E9A-B7C5-1A2D3E4F5A6B}'
pelliton_clsid='{9E8D7C6B-5A4F-4B3E-8C2D-1F0E9D8C7B6A}'
work=$prefix/drive_c/BrimsettDemo
rm -rf "$work"
mkdir -p "$work"

# The SolidWorks-like application: an executable under "Program Files" and its class
# registration in the 64-bit registry view, with the path in quotes as most servers have it, and
# the version-independent ProgID that names the class (through which the sample add-in package of
# scripts/demo-installer.sh finds it).
sw_dir="$prefix/drive_c/Program Files/SolidWorks Corp/SOLIDWORKS"
mkdir -p "$sw_dir"
printf 'MZ' >"$sw_dir/SLDWORKS.exe"
cat >"$work/solidworks-class.txt" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\SW_CLSID\LocalServer32]
@="\"C:\\Program Files\\SolidWorks Corp\\SOLIDWORKS\\SLDWORKS.exe\" /automation"

[HKEY_LOCAL_MACHINE\Software\Classes\SldWorks.Application\CLSID]
@="SW_CLSID"
REG
sed "s/SW_CLSID/$sw_clsid/" "$work/solidworks-class.txt" | bash scripts/import-reg.sh "$prefix"

echo
echo "== Brimsett: the SolidWorks-like class registration (64-bit view); Pelliton $pelliton_clsid is not registered"
WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 reg query "HKLM\\Software\\Classes\\CLSID\\$sw_clsid\\LocalServer32" \
  </dev/null 2>/dev/null | tr -d '\r' | sed '/^$/d' || true

# The product package: the five actions in the sequences of a product installer.
cp build/$preset/brimsett/brimsett.dll "$work/brimsett.dll"
run build/$preset/brimsett/brimsett_demo_package.exe 'C:\BrimsettDemo\product.msi' \
  'C:\BrimsettDemo\brimsett.dll' \
  "SOLIDWORKS_CLSID=$sw_clsid" "PELLITON_CLSID=$pelliton_clsid" \
  'TEMPDIR=%TEMP%\BrimsettDemo' \
  'PRODUCT_REGKEY=Software\Brimsett Demo\Product' 'PRODUCT_ENV_REGKEY=Software\Brimsett Demo\Environment' \
  'GLOBPRODUCTNAME=Brimsett Demo Product' 'PRODUCT_ABBR=BDP' 'PRODUCT_LOCALE_NAME=PRODUCT_LOCALE'

echo
echo "== msiexec /i product.msi /qn /l*v install.log INSTALLDIR=C:\\Program Files\\Brimsett Demo"
rc=0
run msiexec /i 'C:\BrimsettDemo\product.msi' /qn /l*v 'C:\BrimsettDemo\install.log' \
  'INSTALLDIR=C:\Program Files\Brimsett Demo' </dev/null >/dev/null 2>&1 || rc=$?
echo "(exit code $rc)"
log=$work/install.log

echo
echo "== installer log: the custom actions and their lines"
grep -aE '^Action start [0-9:]+: (CheckForSolidWorks|CheckForPelliton|RemoveExtraRegKey|CreateTempDir|ResetLangToDefault)\.|^(CheckForCADApplication|RemoveExtraRegKey|CreateTempDir|ResetLangToDefault):  ' \
  "$log" | tr -d '\r' || true

echo
echo "== installer log: what the package's Registry rows wrote before ResetLangToDefault ran"
grep -aE '^Key: HKEY_LOCAL_MACHINE.(Software.Brimsett Demo|.*Uninstall.Brimsett Demo Product)' "$log" |
  tr -d '\r' || true

echo
echo "== installer log: the properties"
for property in SOLIDWORKS_CLSID SOLIDWORKS_LOCATION PELLITON_CLSID PELLITON_LOCATION TEMPDIR PRODUCT_INSTALLDIR; do
  grep -aE "^Property\(S\): $property = " "$log" | tr -d '\r' || echo "Property(S): $property is not set"
done

echo
echo "== registry afterwards (64-bit view): language reset to English, uninstall command rewritten"
for key in 'HKLM\Software\Brimsett Demo\Product' 'HKLM\Software\Brimsett Demo\Environment' \
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brimsett Demo Product'; do
  WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 reg query "$key" </dev/null 2>/dev/null |
    tr -d '\r' | sed '/^$/d' || true
done

echo
echo "== TEMPDIR created"
ls -d "$prefix"/drive_c/users/*/Temp/BrimsettDemo 2>/dev/null | sed "s|^$prefix/drive_c/|C:/|" || echo "(missing)"
