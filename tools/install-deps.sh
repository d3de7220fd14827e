#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the simulated
# device need. Safe to run again; does nothing when all are present. No
# version is pinned: the fuzzing runtime is the one of the installed clang.
# nsis makes the Windows installer; p7zip-full unpacks it again for the
# release's check (tools/make-release.sh).
set -euo pipefail
pkgs=(cmake ninja-build python3 g++ clang clang-format googletest
      mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
      wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick sox
      liblouis-data python3-louis python3-fonttools fonts-dejavu-core nsis p7zip-full)
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo

updated=0
apt_update() {
  [ "$updated" = 1 ] && return 0
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  updated=1
}
apt_install() { # packages...
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@"
}

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

# libFuzzer comes with clang's runtime, packaged apart from clang: as
# libclang-rt-N-dev since Debian 12, inside libclang-common-N-dev before.
fuzzer_links() {
  local dir rc
  dir=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$dir/f.cpp"
  clang++ -fsanitize=fuzzer "$dir/f.cpp" -o "$dir/f" >/dev/null 2>&1
  rc=$?
  rm -rf "$dir"
  return $rc
}
if ! fuzzer_links; then
  major=$(clang -dumpversion | cut -d. -f1)
  apt_update
  for p in "libclang-rt-$major-dev" "libclang-common-$major-dev"; do
    candidate=$(apt-cache policy "$p" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -n "$candidate" ] && [ "$candidate" != "(none)" ]; then
      apt_install "$p"
      fuzzer_links && break
    fi
  done
  fuzzer_links || { echo "clang $major cannot link libFuzzer: its runtime is not installed" >&2; exit 1; }
fi
