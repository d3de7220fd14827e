#!/usr/bin/env bash
# Runs the end-to-end device tests: for every scenario it starts the device
# simulator on a pty (behind a fixed symlink that COMn of the tree's Wine
# prefix points to), runs the matching tests of the Windows test program
# under Wine, and stops the simulator again, whatever happens.
# Usage: run_e2e.sh SIM WINE_RUN TEST_EXE WINEPREFIX COM WORKDIR RESULTS_DIR
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 com=$5 work=$6 results=$7
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$prefix}"
prefix=$RELIVO_WINEPREFIX
mkdir -p "$work" "$results"
cd "$work" || exit 1
link="$work/sim-pty"
sim_pid=""
xvfb_pid=""

stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
  fi
}
cleanup() {
  stop_sim
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# One X server and one Wine server for all scenarios: faster than one per
# run, and the server's own messages go to a file instead of the test log.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 150 199); do
    if [ ! -e "/tmp/.X${n}-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      break
    fi
  done
fi

# Starts the simulator with the given options; waits for its ready line.
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
  echo "--- scenario $name: $test (simulator $*)"
  start_sim "$name" "$@" || { status=1; return; }
  RELIVO_COM=$com RELIVO_SIM_LOG="Z:$work/sim-$name.log" \
    timeout 120 "$winerun" "$exe" --gtest_filter="DeviceE2E.$test" \
    --gtest_output="xml:Z:$results/device_e2e_$name.xml" || { status=1; echo "--- simulator log:"; cat "$work/sim-$name.log"; }
  stop_sim
}

# The prefix is made on first use of the wrapper; then COMn is mapped to the
# link once (the simulator restarts the prefix's wineserver for it).
timeout 300 "$winerun" "$exe" --gtest_list_tests >/dev/null 2>&1 || { echo "the test program does not run under Wine"; exit 1; }
start_sim map --wineprefix "$prefix" --com "$com" || exit 1
stop_sim
WINEPREFIX="$prefix" WINEDEBUG=-all wineserver -p 2>"$work/wineserver.log"

run normal ConnectWritesTheRequestsAndTheStartImage
run sequence LineGraphicOnceAndBlankingOnDisconnect
run ports PortsAreListedAndOpenedByTheirDeviceName
run keys KeysAreQueuedAndTakenNewestFirst --no-acks --keys 200:8000,0:0004
run garbage ReaderResynchronisesAfterGarbage --no-acks --fault garbage --keys 200:4000
run garbage-all GarbageDuringTheConnectDoesNoHarm --fault garbage-all
run silent SilentDeviceEndsNotIdentified --fault silent
run foreign ForeignNameEndsNotIdentified --name "Xenon 2"
run long LongNameReplyKeeps19Characters --fault long
run split FramesSplitAcrossWritesAreReadWhole --fault split
run storm KeyStormFillsTheQueueAndNoMore --no-acks --fault storm
exit $status
