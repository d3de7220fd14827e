#!/usr/bin/env bash
# Runs RelivoX against the simulated Relivo device.
#
# Runs the 32-bit program where this machine executes 32-bit programs, else
# the 64-bit one, and says which (--tree win32|win64 chooses). Builds that
# Windows tree if needed (under build/, or $RELIVO_BUILD_ROOT), starts the
# device simulator on a pseudo-terminal,
# maps it to the COM port of the program's settings ([Device] COM) in the
# tree's Wine prefix, starts RelivoX.exe under Wine and connects (F2, the
# connect key of the shipped settings). With a display the program opens in
# a window; without one it runs under a private Xvfb and a screenshot is
# saved. The simulator's live pin view stays in this terminal: keys 1..6
# press the device's keys, q quits (and ends the program). With --camera a
# virtual camera ("Relivo Virtual Camera", 640 x 480, its moving test
# picture) is put into the prefix for the run and removed after it.
#
# Usage: tools/run-relivox.sh [--tree win32|win64] [--no-install] [--no-connect]
#                             [--seconds N] [--screenshot FILE] [--camera]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build_root="${RELIVO_BUILD_ROOT:-$here/build}"
source "$here/tools/wine.sh"
kind="" install=1 connect=1 seconds="" shot="" camera=0
while [ $# -gt 0 ]; do
  case $1 in
    --tree)
      kind=$2; shift
      case $kind in win32|win64) ;; *) echo "--tree takes win32 or win64" >&2; exit 2 ;; esac ;;
    --no-install) install=0 ;;
    --no-connect) connect=0 ;;
    --seconds) seconds=$2; shift ;;
    --screenshot) shot=$2; shift ;;
    --camera) camera=1 ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done

say() { echo "run-relivox: $*" >&2; }

# 1. The packages.
if [ "$install" = 1 ]; then
  "$here/tools/install-deps.sh" || { say "installing the packages failed"; exit 1; }
fi

# 2. The tree: the 32-bit program where it can run, else the 64-bit one.
if [ -z "$kind" ]; then
  if wine_runs_32bit; then
    kind=win32
    say "running the 32-bit program (build $kind)"
  else
    kind=win64
    say "running the 64-bit program (build $kind): this machine does not execute 32-bit programs ($wine_32bit_reason)"
  fi
else
  say "running the ${kind#win}-bit program (build $kind, chosen)"
fi
tree="$build_root/$kind"
toolchain=$here/cmake/toolchain-i686-w64-mingw32.cmake
[ "$kind" = win64 ] && toolchain=$here/cmake/toolchain-x86_64-w64-mingw32.cmake

# 3. The build: the program, the libraries it loads and the simulator.
if [ ! -f "$tree/build.ninja" ]; then
  say "configuring $tree"
  mkdir -p "$tree"
  cmake -S "$here" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >"$tree.configure.log" 2>&1 \
    || { cat "$tree.configure.log"; exit 1; }
fi
targets=(RelivoX lumcap louis_tables relivo_sim)
cmake --build "$tree" --target help 2>/dev/null | grep -q '^liblouis:' && targets+=(liblouis)
[ "$camera" = 1 ] && targets+=(vcamctl)
say "building ${targets[*]}"
cmake --build "$tree" --target "${targets[@]}" -j "$(nproc)" >"$tree.run-build.log" 2>&1 \
  || { tail -30 "$tree.run-build.log"; exit 1; }

out="$tree/out"
sim="$tree/host/relivo-sim"
prefix="$tree/wineprefix"
export RELIVO_WINEPREFIX="$prefix"
work="$tree/run-relivox"
mkdir -p "$work"
link="$work/device"

# 4. A display: the user's, or a private Xvfb.
xvfb_pid="" headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  source "$here/tools/xvfb.sh"
  start_private_xvfb 60 99
  [ -n "$xvfb_pid" ] || { say "no free display for Xvfb"; exit 1; }
  [ -n "$shot" ] || shot="$work/relivox-screenshot.png"
fi

app_pid=""
vcamctl="$tree/tools/vcam/vcamctl.exe"
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ "$camera" = 1 ] && "$tree/wine-run" "$vcamctl" unregister >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap cleanup EXIT

# 5. The Wine prefix (made on first use) and the COM port of the settings,
# mapped to the simulator's link. Mapping restarts the prefix's Wine server.
"$tree/wine-run" cmd /c exit >/dev/null 2>&1
com=$(sed -n '/^\[Device\]/,/^\[/{s/^COM=\([0-9]*\).*/\1/p}' "$out/res/RelivoX.ini" | head -1 | tr -d '\r')
com=${com:-3}
say "mapping COM$com of $prefix to $link"
"$sim" --link "$link" --wineprefix "$prefix" --wine-run "$tree/wine-run" --com "$com" --no-view --exit-after 1 \
  >"$work/map.log" 2>&1
grep -q "ready" "$work/map.log" || { cat "$work/map.log"; exit 1; }
"$tree/wine-run" --server -p5 >"$work/wineserver.log" 2>&1

# A virtual camera for the camera view, when asked for.
if [ "$camera" = 1 ]; then
  "$tree/wine-run" "$vcamctl" register >/dev/null 2>&1 &&
    "$tree/wine-run" "$vcamctl" add "Relivo Virtual Camera" "" "format RGB24 640x480 30" >/dev/null 2>&1 \
    || { say "the virtual camera could not be registered"; exit 1; }
  say "virtual camera: Relivo Virtual Camera (the camera button or the camera menu shows it)"
fi

# 6. The program, started once the simulator listens; F2 connects.
start_program() {
  for _ in $(seq 1 100); do [ -e "$link" ] && break; sleep 0.1; done
  (cd "$out" && exec "$tree/wine-run" ./RelivoX.exe) >"$work/relivox.out" 2>&1 &
  app_pid=$!
  echo "$app_pid" >"$work/relivox.pid"
  # The main window appears with the start-up picture; then connect.
  local window=""
  for _ in $(seq 1 200); do
    window=$(xdotool search --class "relivox" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 2
  if [ "$connect" = 1 ] && [ -n "$window" ]; then
    xdotool windowactivate "$window" 2>/dev/null || xdotool windowfocus "$window" 2>/dev/null
    sleep 0.3
    xdotool key F2
  fi
  if [ -n "$shot" ]; then
    sleep 3
    import -window root "$shot" 2>/dev/null && say "screenshot: $shot"
  fi
}

sim_args=(--link "$link" --log "$work/device.log")
[ -n "$seconds" ] && sim_args+=(--exit-after "$seconds")
if [ -t 0 ] && [ -t 1 ]; then
  say "the device's pins below; keys 1..6 press its keys, q quits"
  start_program &
  starter=$!
  "$sim" "${sim_args[@]}"
  wait "$starter" 2>/dev/null
else
  # Not at a terminal: no live view; run for the given time (60 s).
  [ -n "$seconds" ] || sim_args+=(--exit-after 60)
  "$sim" "${sim_args[@]}" --plain >"$work/device.out" 2>&1 &
  sim_pid=$!
  start_program
  wait "$sim_pid"
  say "device frames: $work/device.log"
fi
app_pid=$(cat "$work/relivox.pid" 2>/dev/null)
say "log of the program: $out/res/RelivoX.pro"
