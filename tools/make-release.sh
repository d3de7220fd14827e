#!/usr/bin/env bash
# Makes the release of RelivoX into dist/ of the checkout:
#   RelivoX-<v>-setup.exe     the installer: per user, no administrator
#                             rights; carries both builds and installs the
#                             one that fits Windows
#   RelivoX-<v>-portable.zip  the program folder to run from anywhere (the
#                             32-bit build: it runs on every Windows)
#   SHA256SUMS                their checksums (sha256sum -c SHA256SUMS)
# It builds the 32- and 64-bit trees (configured as tools/test-all.sh does
# when they are not yet), makes the installer from both staged builds,
# unpacks it again and checks that it carries exactly them, and, where this
# machine executes 32-bit programs, runs the install test with the release
# installer in a fresh 64-bit Wine prefix.
# Usage: tools/make-release.sh [--no-build] [--no-wine-test]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build_root="${RELIVO_BUILD_ROOT:-$here/build}"
dist="${RELIVO_DIST:-$here/dist}"
source "$here/tools/wine.sh"

do_build=1 wine_test=1
for arg in "$@"; do
  case $arg in
    --no-build) do_build=0 ;;
    --no-wine-test) wine_test=0 ;;
    *) echo "make-release: unknown argument $arg" >&2; exit 2 ;;
  esac
done
fail() { echo "make-release: $*" >&2; exit 1; }
say() { echo "make-release: $*"; }

# ---- the two builds ----------------------------------------------------------
for tree in win32 win64; do
  dir="$build_root/$tree"
  if [ "$do_build" = 1 ]; then
    if [ ! -f "$dir/build.ninja" ]; then
      cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELIVO_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-$([ $tree = win32 ] && echo i686 || echo x86_64)-w64-mingw32.cmake" \
        >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; fail "configuring $tree failed"; }
    fi
    say "building $tree"
    cmake --build "$dir" -j "$(nproc)" >"$dir.release-build.log" 2>&1 ||
      { tail -30 "$dir.release-build.log"; fail "building $tree failed"; }
  fi
  [ -f "$dir/stage/RelivoX/RelivoX.exe" ] || fail "$tree has no staged program folder ($dir/stage/RelivoX)"
done

version_of() { sed -n 's/^#define RELIVO_VERSION_TEXT "\(.*\)"/\1/p' "$build_root/$1/generated/relivo_version.h"; }
version=$(version_of win64)
[ -n "$version" ] || fail "no version in $build_root/win64/generated/relivo_version.h"
[ "$(version_of win32)" = "$version" ] || fail "the trees were built from different versions: $(version_of win32), $version"
stage32="$build_root/win32/stage/RelivoX"
stage64="$build_root/win64/stage/RelivoX"

# ---- the programs are of the right processor -----------------------------------
# The machine field of a Windows program's header: 014c x86, 8664 x64.
machine() {
  local pe
  pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t x2 -j $((pe + 4)) -N 2 "$1" | tr -d ' '
}
for f in "$stage32"/*.exe "$stage32"/*.dll; do
  [ "$(machine "$f")" = 014c ] || fail "$f is not a 32-bit program"
done
for f in "$stage64"/*.exe "$stage64"/*.dll; do
  [ "$(machine "$f")" = 8664 ] || fail "$f is not a 64-bit program"
done

# ---- the installer and the archive ------------------------------------------------
setup="$dist/RelivoX-$version-setup.exe"
zip="$dist/RelivoX-$version-portable.zip"
rm -rf "$dist"
mkdir -p "$dist"
say "making the installer"
"$here/tools/installer/build-installer.sh" --version "$version" --out "$setup" --work "$build_root/release-work" \
  --payload32 "$stage32" --payload64 "$stage64" --icon "$build_root/win64/res/generated/program.ico" ||
  fail "making the installer failed"
cp "$build_root/win32/dist/RelivoX-$version-portable-win32.zip" "$zip" || fail "no portable archive in win32"

# ---- what the installer carries --------------------------------------------------
# Unpacked again, its files are exactly those of both staged builds: each
# staged file is there with the same content (programs and libraries of
# both builds, everything else once), and nothing else but the uninstaller
# the installer writes itself.
if command -v 7z >/dev/null; then
  unpacked="$build_root/release-work/unpacked"
  rm -rf "$unpacked"
  7z x -y -aou -o"$unpacked" "$setup" >"$build_root/release-work/7z.log" 2>&1 ||
    fail "the installer does not unpack (7z): $(tail -3 "$build_root/release-work/7z.log")"
  sums() { (cd "$1" && find . -type f ! -path './$PLUGINSDIR/*' ! -iname 'uninstall*.exe' -print0 |
    xargs -0 sha256sum | cut -d' ' -f1 | sort); }
  expected=$( { (cd "$stage32" && find . -type f -print0 | xargs -0 sha256sum | cut -d' ' -f1)
                (cd "$stage64" && find . -maxdepth 1 -type f \( -name '*.exe' -o -name '*.dll' \) -print0 |
                  xargs -0 sha256sum | cut -d' ' -f1); } | sort)
  if [ "$(sums "$unpacked")" != "$expected" ]; then
    diff <(sums "$unpacked") <(echo "$expected") | head -20
    fail "the installer does not carry exactly the staged builds"
  fi
  say "the installer carries both builds, file for file ($(echo "$expected" | wc -l) files)"
else
  fail "7z not found: install p7zip-full (tools/install-deps.sh)"
fi

# ---- the release installer under Wine -----------------------------------------------
if [ "$wine_test" = 1 ]; then
  if wine_runs_32bit; then
    say "install test of the release installer in a fresh 64-bit prefix"
    t="$build_root/win64"
    bash "$here/tests/release/run_install_test.sh" "$t/host/relivo-sim" "$t/wine-run" \
      "$t/tests/release/install_test.exe" "$setup" "$build_root/win64/dist/RelivoX-$version-portable-win64.zip" \
      "$build_root/release-work/install" "$build_root/release-work/results" ||
      fail "the install test of the release installer failed"
  else
    say "the release installer itself is not run here: this machine does not execute 32-bit programs" \
      "($wine_32bit_reason); the 64-bit tree's test ran the same script built as a 64-bit installer"
  fi
fi

(cd "$dist" && sha256sum "$(basename "$setup")" "$(basename "$zip")" >SHA256SUMS)
say "release $version in $dist:"
(cd "$dist" && ls -l --time-style=+ . | tail -n +2 && cat SHA256SUMS)
