#!/usr/bin/env bash
# Builds the sample add-in package OUTDIR/sample-addin.msi from installer/sample-addin.wxs with
# wixl.
# Usage: build-installer.sh x86|x64 OUTDIR [-D NAME=VALUE ...]
#   x86  the 32-bit deliverables (build/windows): a package for every Windows machine
#   x64  the x86_64 test build (build/windows64): for machines that cannot run 32-bit programs
# The package carries the placeholder add-in DLL of both bitnesses, so both Windows builds are
# needed; each is configured when it is not yet, and the targets the package takes from it are
# built. Further -D definitions go to wixl (the tests define FailAfterRegistration).
# PACKAGE_IMAGES, when set, names a folder whose tarnwick.exe and brimsett.dll go into the package
# instead of the build's (the release signs them first). The package's version is the project's.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
out=${2:-}
if [ $# -lt 2 ] || { [ "$arch" != x86 ] && [ "$arch" != x64 ]; }; then
  echo "usage: $0 x86|x64 OUTDIR [-D NAME=VALUE ...]" >&2
  exit 2
fi
shift 2

build_targets() {  # preset targets...
  local preset=$1; shift
  if [ ! -f "build/$preset/build.ninja" ]; then cmake --preset "$preset" >/dev/null; fi
  cmake --build --preset "$preset" --target "$@" >/dev/null
}
if [ "$arch" = x86 ]; then
  own=build/windows
  build_targets windows tarnwick brimsett sample_addin
  build_targets windows64 sample_addin
else
  own=build/windows64
  build_targets windows64 tarnwick brimsett sample_addin
  build_targets windows sample_addin
fi

# wixl takes the files by names relative to the folder it runs in: gather them in one.
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$out/stage-$arch
rm -rf "$stage"
mkdir -p "$stage/x86" "$stage/x64" "$stage/text"
images=("$own/tarnwick/tarnwick.exe" "$own/brimsett/brimsett.dll")
if [ -n "${PACKAGE_IMAGES:-}" ]; then images=("$PACKAGE_IMAGES/tarnwick.exe" "$PACKAGE_IMAGES/brimsett.dll"); fi
cp "${images[@]}" samples/registry-keys-ptc.txt "$stage/"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$own/CMakeCache.txt")
cp build/windows/installer/sample_addin.dll "$stage/x86/"
cp build/windows64/installer/sample_addin.dll "$stage/x64/"
cp installer/sample_addin/text/sample_addin.txt "$stage/text/"

msi=$out/sample-addin.msi
rm -f "$msi"
wxs=$PWD/installer/sample-addin.wxs
(cd "$stage" && wixl -a "$arch" -D "Arch=$arch" -D "Version=$version" "$@" -I "$(dirname "$wxs")" -o "$msi" "$wxs")

# What wixl 0.101 cannot express, written into the tables afterwards: the condition of the
# SolidWorks add-in's component, the rollback type of the two rollback actions, and the removal of
# registration.log (see the WiX source).
msibuild "$msi" -q "UPDATE \`Component\` SET \`Condition\` = 'SOLIDWORKS_LOCATION OR REMOVE~=\"ALL\"' WHERE \`Component\` = 'SolidWorksAddin'"
# wixl makes the RemoveFile table but leaves it empty; install mode 2: on removal.
msibuild "$msi" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) VALUES ('RegistrationLog', 'Registration', 'registration.log', 'INSTALLDIR', 2)"
for rollback in RollbackRegisterAddin RollbackUnregisterAddin; do
  msibuild "$msi" -q "UPDATE \`CustomAction\` SET \`Type\` = 3442 WHERE \`Action\` = '$rollback'"
done

msiinfo suminfo "$msi" >/dev/null
rm -rf "$stage"
echo "$msi"
