#!/usr/bin/env bash
# Runs the RelivoX benchmark against the device simulator on COM3, in its
# timed mode (the line at 115200 baud, a reply 1 ms after its frame), and
# prints its figures. Usage: run_bench.sh SIM WINE_RUN BENCH_EXE WINEPREFIX WORKDIR
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 work=$5
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$prefix}"
mkdir -p "$work"
cd "$work" || exit 1
"$winerun" cmd /c exit >/dev/null 2>&1
"$sim" --link "$work/sim-pty" --wineprefix "$RELIVO_WINEPREFIX" --wine-run "$winerun" --com 3 --no-view --exit-after 1 >"$work/map.out" 2>&1
# A Wine server of its own, its messages in a file.
"$winerun" --server -p5 >"$work/wineserver.log" 2>&1
rm -f "$work/sim.log"
"$sim" --link "$work/sim-pty" --log "$work/sim.log" --no-view --exit-after 600 --baud 115200 --reply-delay-us 1000 >"$work/sim.out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null' EXIT
for _ in $(seq 1 100); do grep -q ready "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
RELIVO_SIM_LOG="Z:$work/sim.log" "$winerun" "$exe"
