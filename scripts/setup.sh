#!/usr/bin/env bash
# Installs every prerequisite of the build and the tests on a Debian machine.
# Idempotent: when everything is present it only checks and returns within a second.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(cmake ninja-build g++ googletest libgtest-dev clang libclang-rt-14-dev clang-tidy clang-format
          cppcheck mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 wine32:i386 python3 wixl msitools
          osslsigncode openssl zip unzip)
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "setup: done"
