#!/usr/bin/env bash
# Runs the device link benchmark against the simulator.
# Usage: run_bench.sh SIM WINE_RUN BENCH_EXE WINEPREFIX COM WORKDIR [frames]
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 com=$5 work=$6 frames=${7:-300}
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$prefix}"
prefix=$RELIVO_WINEPREFIX
mkdir -p "$work"
cd "$work" || exit 1
"$winerun" cmd /c exit >/dev/null 2>&1  # makes the prefix on first use
"$sim" --link "$work/sim-pty" --wineprefix "$prefix" --wine-run "$winerun" --com "$com" --no-view --exit-after 600 \
  --log "$work/sim-bench.log" >"$work/sim-bench.out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null; "$winerun" --server -k >/dev/null 2>&1' EXIT
for _ in $(seq 1 600); do
  grep -q "relivo-sim: ready" "$work/sim-bench.out" 2>/dev/null && break
  sleep 0.1
done
# The Wine server's own messages go to a file, not between the figures.
"$winerun" --server -p 2>"$work/wineserver.log"
RELIVO_COM=$com "$winerun" "$exe" "$frames"
