#!/usr/bin/env bash
# Makes the Windows installer of RelivoX with makensis (tools/installer/RelivoX.nsi)
# from the program folders staged by the build (<tree>/stage/RelivoX, made by
# `cmake --install`).
#
# Usage: build-installer.sh --version V --out FILE --work DIR [--icon FILE]
#                           [--payload32 DIR] [--payload64 DIR] [--target x86|amd64] [--fast]
#
#   --payload32/64  the staged 32- and 64-bit program folders; at least one.
#                   What both builds share (everything but the programs and
#                   libraries at the top) is taken from the first and must
#                   be the same in the second.
#   --target        the installer's own processor: x86 (the default, starts
#                   on every Windows) or amd64 (for machines that cannot run
#                   32-bit programs; tests only)
#   --fast          quick compression (tests)
#   --icon          the program's icon for the installer and uninstaller
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

version="" out="" work="" icon="" payload32="" payload64="" target=x86 fast=0
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --icon) icon=$2; shift 2 ;;
    --payload32) payload32=$2; shift 2 ;;
    --payload64) payload64=$2; shift 2 ;;
    --target) target=$2; shift 2 ;;
    --fast) fast=1; shift ;;
    *) echo "build-installer: unknown argument $1" >&2; exit 2 ;;
  esac
done
fail() { echo "build-installer: $*" >&2; exit 1; }
[ -n "$version" ] && [ -n "$out" ] && [ -n "$work" ] || fail "--version, --out and --work are needed"
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "the version must be three numbers: $version"
[ -n "$payload32$payload64" ] || fail "no payload (--payload32, --payload64)"
case $target in x86 | amd64) ;; *) fail "unknown target $target" ;; esac
makensis=$(command -v makensis) || fail "makensis not found: install the nsis package (tools/install-deps.sh)"

first=${payload32:-$payload64}
for p in $payload32 $payload64; do
  [ -f "$p/RelivoX.exe" ] && [ -f "$p/res/RelivoX.ini" ] || fail "$p is not a staged program folder"
done

# The installer reads the settings file line by line with its string
# length limit (1024 characters).
long=$(awk 'length($0) > 1000 { print FILENAME ":" FNR; exit }' "$first/res/RelivoX.ini")
[ -z "$long" ] || fail "a line of the settings file is too long for the installer: $long"

# common/: the files both builds share; binN/: the program and libraries.
rm -rf "$work"
mkdir -p "$work/common" "$work/bin32" "$work/bin64"
(cd "$first" && find . -mindepth 1 -type d -printf '%P\n') | while read -r d; do mkdir -p "$work/common/$d"; done
(cd "$first" && find . -mindepth 1 -type f -printf '%P\n') | while read -r f; do
  case $f in
    */*) [ "$f" = res/RelivoX.ini ] || cp "$first/$f" "$work/common/$f" ;;
    *.exe | *.dll) ;;
    *) cp "$first/$f" "$work/common/$f" ;;
  esac
done
cp "$first/res/RelivoX.ini" "$work/RelivoX.ini"
for bits in 32 64; do
  var=payload$bits
  p=${!var}
  [ -n "$p" ] || continue
  find "$p" -maxdepth 1 -type f \( -name '*.exe' -o -name '*.dll' \) -exec cp {} "$work/bin$bits/" \;
  if [ "$p" != "$first" ]; then
    # The shared part of the second build must be the first one's.
    diff -r -q -x '*.exe' -x '*.dll' "$first" "$p" >/dev/null ||
      fail "the staged builds differ outside their programs: diff -r $first $p"
    diff -q "$first/res/RelivoX.ini" "$p/res/RelivoX.ini" >/dev/null || fail "the builds ship different settings"
  fi
done

# files.nsh: every shipped file and folder, for the uninstaller, which
# removes exactly these (folders only when empty, deepest first).
{
  echo "; Made by build-installer.sh: what the installer ships."
  echo "!macro RemoveShippedFiles"
  for d in common bin32 bin64; do (cd "$work/$d" && find . -type f -printf '%P\n'); done | sort -u |
    sed 's|/|\\|g; s|^\(.*\)$|  Delete "$INSTDIR\\\1"|'
  (cd "$work/common" && find . -mindepth 1 -type d -printf '%d %P\n') | sort -rn | cut -d' ' -f2- |
    sed 's|/|\\|g; s|^\(.*\)$|  RMDir "$INSTDIR\\\1"|'
  echo "!macroend"
} >"$work/files.nsh"

args=(-V2 -WX -NOCD "-DVERSION=$version" "-DWORK=$work" "-DOUTFILE=$out")
[ -n "$payload32" ] && args+=(-DPAYLOAD32)
[ -n "$payload64" ] && args+=(-DPAYLOAD64)
[ "$target" = amd64 ] && args+=(-DTARGET_AMD64)
[ "$fast" = 1 ] && args+=(-DFAST)
if [ -n "$icon" ]; then
  [ -f "$icon" ] || fail "no icon $icon"
  args+=("-DICON=$icon")
fi
mkdir -p "$(dirname "$out")"
rm -f "$out"
"$makensis" "${args[@]}" "$here/RelivoX.nsi"
[ -f "$out" ] || fail "makensis wrote no installer"
