#!/usr/bin/env bash
# Runs RelivoX against the device simulator: for every case it starts the
# simulator on a pty (behind a fixed symlink that COM3 of the tree's Wine
# prefix points to), runs the matching test of the driver program under
# Wine, and stops the simulator again, whatever happens.
# Usage: run_device_tests.sh SIM WINE_RUN TEST_EXE WINEPREFIX WORKDIR RESULTS_DIR
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 work=$5 results=$6
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$prefix}"
prefix=$RELIVO_WINEPREFIX
com=3
mkdir -p "$work" "$results"
cd "$work" || exit 1
link="$work/sim-pty"
sim_pid=""

stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
  fi
}
trap stop_sim EXIT

start_sim() { # name, options...
  local name=$1; shift
  rm -f "$work/sim-$name.log" "$work/sim-$name.out"
  "$sim" --link "$link" --log "$work/sim-$name.log" --no-view --exit-after 180 "$@" \
    >"$work/sim-$name.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 600); do
    grep -q "relivo-sim: ready" "$work/sim-$name.out" 2>/dev/null && return 0
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the simulator did not start:"; cat "$work/sim-$name.out"
  stop_sim
  return 1
}

status=0
run() { # name, test name, simulator options...
  local name=$1 test=$2; shift 2
  echo "--- case $name: $test (simulator $*)"
  start_sim "$name" "$@" || { status=1; return; }
  RELIVO_SIM_LOG="Z:$work/sim-$name.log" \
    timeout 180 "$winerun" "$exe" --gtest_filter="AppDevice.$test" \
    --gtest_output="xml:Z:$results/app_device_$name.xml" || { status=1; echo "--- simulator log:"; head -c 4000 "$work/sim-$name.log"; }
  stop_sim
}

# The prefix is made on first use of the wrapper; COM3 is mapped to the
# link once (the simulator restarts the prefix's Wine server for it).
timeout 300 "$winerun" "$exe" --gtest_list_tests >/dev/null 2>&1 || { echo "the test program does not run under Wine"; exit 1; }
start_sim map --wineprefix "$prefix" --com "$com" || exit 1
stop_sim
# A Wine server of its own, its messages in a file.
WINEPREFIX="$RELIVO_WINEPREFIX" WINEDEBUG=-all wineserver -p5 >"$work/wineserver.log" 2>&1

run connect AutostartConnectsThenSendsThePage
run keys KeyReportsBecomeTheirButtonCommands --keys 800:0004,300:8000,300:4000,300:2000,300:1000,300:0002
exit $status
