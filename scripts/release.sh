#!/usr/bin/env bash
# Builds a release archive, OUTDIR/tarnwick-brimsett-<version>.zip, from the 32-bit build:
# tarnwick.exe and brimsett.dll, the sample key lists, the sample package's WiX sources and its
# x86 sample-addin.msi built from those very images, the README, and SHA256SUMS over all of them.
# The version is the project's (CMakeLists.txt).
#
# Signing, when a certificate is given (the names build servers set):
#   SIGN_PKCS12         the path of a PKCS#12 file with the code-signing certificate and its key
#   SIGN_PASSWORD_FILE  the path of a file that holds its password
#   SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server
# The two images are signed first, the package is built from the signed images, then the package
# is signed. Without SIGN_PKCS12 everything is built unsigned, and one line says so.
#
# Usage: release.sh OUTDIR
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
bash scripts/setup.sh
mkdir -p "$1"
out=$(cd "$1" && pwd)

sign=()
if [ -n "${SIGN_PKCS12:-}" ]; then
  [ -f "$SIGN_PKCS12" ] || { echo "release: SIGN_PKCS12: no such file: $SIGN_PKCS12" >&2; exit 2; }
  [ -f "${SIGN_PASSWORD_FILE:-}" ] || { echo "release: SIGN_PASSWORD_FILE names no file" >&2; exit 2; }
  sign=(-pkcs12 "$SIGN_PKCS12" -readpass "$SIGN_PASSWORD_FILE" -h sha256 -n "Tarnwick and Brimsett")
  if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then sign+=(-ts "$SIGN_TIMESTAMP_URL"); fi
fi
# Signs a file in place.
sign_file() {
  osslsigncode sign "${sign[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}

if [ ! -f build/windows/build.ninja ]; then cmake --preset windows >/dev/null; fi
cmake --build --preset windows --target tarnwick brimsett >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
name=tarnwick-brimsett-$version
stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage/samples" "$stage/installer"

cp build/windows/tarnwick/tarnwick.exe build/windows/brimsett/brimsett.dll "$stage/"
if [ ${#sign[@]} -gt 0 ]; then
  sign_file "$stage/tarnwick.exe"
  sign_file "$stage/brimsett.dll"
else
  echo "release: no certificate given (SIGN_PKCS12): the images and the package are unsigned"
fi
PACKAGE_IMAGES=$stage bash scripts/build-installer.sh x86 "$out/package" >/dev/null
mv "$out/package/sample-addin.msi" "$stage/installer/"
rm -rf "$out/package"
if [ ${#sign[@]} -gt 0 ]; then sign_file "$stage/installer/sample-addin.msi"; fi

cp samples/registry-keys-*.txt "$stage/samples/"
cp installer/sample-addin.wxs installer/sample-addin-actions.wxi "$stage/installer/"
cp README.md "$stage/"

# Every file's checksum, then the archive, with its files in a fixed order and dated to the last
# commit (or SOURCE_DATE_EPOCH), so that the same inputs give the same archive.
(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
find "$stage" -exec touch -h -d "@$epoch" {} +
(cd "$out" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$name.zip")
rm -rf "$stage"
echo "$out/$name.zip"
