# Shared by the test scripts that run a Windows program against the device
# simulator (source it; bash). For every case the simulator starts on a pty
# behind a fixed link that COMn of the tree's Wine prefix points to, the
# matching tests of the program run under Wine, and the simulator stops
# again, whatever happens. At exit the prefix's Wine server is ended, so no
# Wine process outlives the test and holds its output open.
#
# Before sourcing, set: sim winerun exe prefix com work results
# Then: scenarios_begin; scenario NAME FILTER [simulator options...] ...;
#       exit $scenario_status
# A case finds the simulator's frame log in RELIVO_SIM_LOG and the FIFO
# that presses its keys in RELIVO_SIM_CONTROL (Wine paths).
# RELIVO_SCENARIOS="name ..." runs only the cases named.

scenarios_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export RELIVO_WINEPREFIX="${RELIVO_WINEPREFIX:-$prefix}"
prefix=$RELIVO_WINEPREFIX
mkdir -p "$work" "$results"
cd "$work" || exit 1
link="$work/sim-pty"
sim_pid=""
xvfb_pid=""
scenario_status=0

stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
  fi
}

scenarios_cleanup() {
  stop_sim
  "$winerun" --server -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap scenarios_cleanup EXIT

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

# One X server and one Wine server for all cases: faster than one per run,
# and the server's own messages go to a file instead of the test log. The
# prefix is made on first use of the wrapper; then COMn is mapped to the
# link once (the simulator restarts the prefix's Wine server for it).
scenarios_begin() {
  if [ -z "${DISPLAY:-}" ]; then
    source "$scenarios_dir/../xvfb.sh"
    start_private_xvfb 150 199
  fi
  timeout 300 "$winerun" "$exe" --gtest_list_tests >/dev/null 2>&1 \
    || { echo "the test program does not run under Wine"; exit 1; }
  start_sim map --wineprefix "$prefix" --wine-run "$winerun" --com "$com" || exit 1
  stop_sim
  "$winerun" --server -p >"$work/wineserver.log" 2>&1
}

scenario() { # name, gtest filter, simulator options...
  local name=$1 filter=$2; shift 2
  if [ -n "${RELIVO_SCENARIOS:-}" ] && [[ " $RELIVO_SCENARIOS " != *" $name "* ]]; then return; fi
  echo "--- case $name: $filter (simulator $*)"
  start_sim "$name" --control "$work/sim-$name.keys" "$@" || { scenario_status=1; return; }
  RELIVO_COM=$com RELIVO_SIM_LOG="Z:$work/sim-$name.log" RELIVO_SIM_CONTROL="Z:$work/sim-$name.keys" \
    timeout 180 "$winerun" "$exe" --gtest_filter="$filter" \
    --gtest_output="xml:Z:$results/$(basename "$exe" .exe)_$name.xml" \
    || { scenario_status=1; echo "--- simulator log:"; head -c 4000 "$work/sim-$name.log"; }
  stop_sim
}
