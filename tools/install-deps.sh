#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the simulated
# device need. Safe to run again; does nothing when all are present.
set -euo pipefail
pkgs=(cmake ninja-build python3 g++ clang libclang-rt-14-dev googletest
      mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
      wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick sox
      liblouis-data python3-louis)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
