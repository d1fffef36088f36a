#!/usr/bin/env bash
# Tests scripts/release.sh: without a certificate it says so and builds everything unsigned; with
# a throwaway certificate authority and code-signing certificate made here, the archive holds
# every file with good checksums, osslsigncode accepts the signatures of both images and the
# package, one changed byte makes the check fail, and the signed tarnwick.exe still runs under
# Wine with the unsigned one's usage text. Expects the Windows builds to exist (the test command
# runs it after them).
set -euo pipefail
cd "$(dirname "$0")/.."

work=$PWD/build/release-test
rm -rf "$work"
mkdir -p "$work/pki"
fail() { echo "release_test: $*" >&2; exit 1; }

# The certificate authority, and a code-signing certificate it issued, bundled with its key.
(
  cd "$work/pki"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Throwaway Test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Throwaway Code Signer" 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
  openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
    -out signer.pem 2>/dev/null
  printf 'throwaway password' >password.txt
  openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:password.txt \
    -out signer.p12
)

unsigned_output=$(bash scripts/release.sh "$work/unsigned")
grep -qx 'release: no certificate given (SIGN_PKCS12): the images and the package are unsigned' \
  <<<"$unsigned_output" || fail "the unsigned release does not say that it is unsigned: $unsigned_output"

archive=$(SIGN_PKCS12=$work/pki/signer.p12 SIGN_PASSWORD_FILE=$work/pki/password.txt \
          bash scripts/release.sh "$work/signed" | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
[ "$(basename "$archive")" = "tarnwick-brimsett-$version.zip" ] || fail "archive named $archive"

mkdir "$work/unpacked"
unzip -q "$archive" -d "$work/unpacked"
release=$work/unpacked/tarnwick-brimsett-$version
expected="README.md
SHA256SUMS
brimsett.dll
installer/sample-addin-actions.wxi
installer/sample-addin.msi
installer/sample-addin.wxs
samples/registry-keys-demo.txt
samples/registry-keys-ptc.txt
tarnwick.exe"
actual=$(cd "$release" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "the archive holds:
$actual"
(cd "$release" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

for file in tarnwick.exe brimsett.dll installer/sample-addin.msi; do
  osslsigncode verify -CAfile "$work/pki/ca.pem" -in "$release/$file" >"$work/verify.log" 2>&1 ||
    fail "the signature of $file is not accepted: $(tail -n 3 "$work/verify.log")"
done
# One changed byte in the signed code breaks the check.
cp "$release/tarnwick.exe" "$work/tampered.exe"
printf '\xCC' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc status=none
if osslsigncode verify -CAfile "$work/pki/ca.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
  fail "a tarnwick.exe with one changed byte passes the check"
fi

# The signed program runs as the unsigned one does. Where 32-bit programs cannot run, the x86_64
# build's tarnwick.exe is signed with the same certificate and run instead.
if bash scripts/can-run-32bit.sh >/dev/null; then
  run=(scripts/wine-run.sh "$PWD/build/windows/wineprefix") signed=$release/tarnwick.exe
  unsigned=build/windows/tarnwick/tarnwick.exe
else
  run=(scripts/wine-run.sh --64 "$PWD/build/windows64/wineprefix") signed=$work/tarnwick64.exe
  unsigned=build/windows64/tarnwick/tarnwick.exe
  osslsigncode sign -pkcs12 "$work/pki/signer.p12" -readpass "$work/pki/password.txt" -h sha256 \
    -in "$unsigned" -out "$signed" >/dev/null
fi
"${run[@]}" "$unsigned" '/?' >"$work/unsigned-usage.txt" || true
"${run[@]}" "$signed" '/?' >"$work/signed-usage.txt" || true
[ -s "$work/unsigned-usage.txt" ] || fail "tarnwick.exe /? printed nothing"
cmp -s "$work/unsigned-usage.txt" "$work/signed-usage.txt" || fail "the signed tarnwick.exe prints another usage text"

echo "release_test: archive $(basename "$archive") with 9 files, checksums good, 3 signatures accepted," \
  "a changed byte refused, signed tarnwick.exe runs as the unsigned one"
