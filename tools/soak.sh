#!/usr/bin/env bash
# The soak run: the real RelivoX.exe under Wine, with the device simulator
# and virtual cameras, abused for a given time (default 60 minutes) by
# tests/soak/soak_driver: key storms and junk from the device, the device
# pulled out and hanging, drawing by mouse and keys, typing, language
# switches, pictures and damaged files opened, saves, the camera view opened
# and closed while a camera comes and goes, the screen view on and off; a
# second process takes stills through the capture library all the time.
# Both are sampled every 10 s (handles, GDI and USER objects, private
# memory). tools/soak_report.py judges the run (the rule is at its top) and
# writes report.txt and counts.png into the output folder.
#
# Runs the 32-bit program where this machine executes 32-bit programs, else
# the 64-bit one (--tree chooses). Builds what it needs in build/<tree>.
#
# Usage: tools/soak.sh [--minutes N] [--tree win32|win64] [--out DIR] [--no-build]
#                      [--acts "keys mouse typing language files camera screen away"]
# --acts runs only the acts named (to find which one a count grows with).
# Exit status 0 when the run passed.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build_root="${RELIVO_BUILD_ROOT:-$here/build}"
source "$here/tools/wine.sh"
minutes=60 kind="" out="" build=1
while [ $# -gt 0 ]; do
  case $1 in
    --minutes) minutes=$2; shift ;;
    --tree) kind=$2; shift ;;
    --out) out=$2; shift ;;
    --no-build) build=0 ;;
    --acts) export RELIVO_SOAK_ACTS=$2; shift ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done
say() { echo "soak: $*" >&2; }
[[ "$minutes" =~ ^[0-9]+([.][0-9]+)?$ ]] || { say "--minutes takes a number"; exit 2; }

if [ -z "$kind" ]; then
  kind=win64
  wine_runs_32bit && kind=win32
fi
case $kind in win32|win64) ;; *) say "--tree takes win32 or win64"; exit 2 ;; esac
tree="$build_root/$kind"
if [ ! -f "$tree/build.ninja" ]; then
  toolchain=$here/cmake/toolchain-x86_64-w64-mingw32.cmake
  [ "$kind" = win32 ] && toolchain=$here/cmake/toolchain-i686-w64-mingw32.cmake
  cmake -S "$here" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log"; exit 1; }
fi
if [ "$build" = 1 ]; then
  targets=(RelivoX lumcap louis_tables relivo_sim vcam vcamctl soak_driver soak_stills)
  cmake --build "$tree" --target help 2>/dev/null | grep -q '^liblouis:' && targets+=(liblouis)
  say "building ${targets[*]} in $tree"
  cmake --build "$tree" --target "${targets[@]}" >"$tree.soak-build.log" 2>&1 \
    || { tail -30 "$tree.soak-build.log"; exit 1; }
fi

out="${out:-$tree/soak}"
rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
sim="$tree/host/relivo-sim"
winerun="$tree/wine-run"
vcamctl="$tree/tools/vcam/vcamctl.exe"
# The tree's prefix, shared with its tests (the run restarts its Wine server
# and maps the COM port): do not run both at once, or give the run a prefix
# of its own in RELIVO_WINEPREFIX.
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$tree/wineprefix}"
link="$out/device" control="$out/device.keys"
seconds=$(python3 -c "print(int(float('$minutes') * 60))")

xvfb_pid="" sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  "$winerun" "$vcamctl" unregister >/dev/null 2>&1
  "$winerun" --server -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  source "$here/tools/xvfb.sh"
  start_private_xvfb 250 299 || { say "no free display for Xvfb"; exit 1; }
fi

# The prefix (made on first use), the COM port of the settings mapped to
# the simulator's link (this restarts the prefix's Wine server), one Wine
# server for the whole run, the virtual camera's server.
"$winerun" cmd /c exit >/dev/null 2>&1
com=$(sed -n '/^\[Device\]/,/^\[/{s/^COM=\([0-9]*\).*/\1/p}' "$tree/out/res/RelivoX.ini" | head -1 | tr -d '\r')
"$sim" --link "$link" --wineprefix "$RELIVO_WINEPREFIX" --wine-run "$winerun" --com "${com:-3}" --no-view \
  --exit-after 1 >"$out/map.log" 2>&1
grep -q "ready" "$out/map.log" || { cat "$out/map.log"; exit 1; }
"$winerun" --server -p >/dev/null 2>&1  # (it dumps its objects when it ends)
"$winerun" "$vcamctl" register >/dev/null 2>&1 || { say "the virtual camera could not be registered"; exit 1; }

"$sim" --link "$link" --control "$control" --log "$out/device.log" --log-max-kb 4096 --no-view \
  --exit-after $((seconds + 1800)) >"$out/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 600); do
  grep -q "relivo-sim: ready" "$out/sim.out" 2>/dev/null && break
  sleep 0.1
done

say "running $kind for $minutes minutes; output in $out"
RELIVO_SIM_LOG="Z:$out/device.log" RELIVO_SIM_CONTROL="Z:$control" \
  timeout $((seconds + 600)) "$winerun" "$tree/tests/soak/soak_driver.exe" "$minutes" "Z:$out" \
  >"$out/driver.out" 2>&1
driver=$?
[ "$driver" = 0 ] || { say "the driver reported failures ($driver):"; grep -E "FAIL|usage" "$out/driver.out" | head -20; }
python3 "$here/tools/soak_report.py" "$out"
report=$?
say "report: $out/report.txt, plot: $out/counts.png"
[ "$driver" = 0 ] && [ "$report" = 0 ]
