#!/usr/bin/env bash
# Runs the end-to-end device tests, one simulator scenario per test.
# Usage: run_e2e.sh SIM WINE_RUN TEST_EXE WINEPREFIX COM WORKDIR RESULTS_DIR
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 com=$5 work=$6 results=$7
source "$(dirname "$0")/../../tools/sim/scenarios.sh"
scenarios_begin

t=DeviceE2E
scenario normal $t.ConnectWritesTheRequestsAndTheStartImage
scenario sequence $t.LineGraphicOnceAndBlankingOnDisconnect
scenario ports $t.PortsAreListedAndOpenedByTheirDeviceName
scenario keys $t.KeysAreQueuedAndTakenNewestFirst --no-acks --keys 200:8000,0:0004
scenario garbage $t.ReaderResynchronisesAfterGarbage --no-acks --fault garbage --keys 200:4000
scenario garbage-all $t.GarbageDuringTheConnectDoesNoHarm --fault garbage-all
scenario silent $t.SilentDeviceEndsNotIdentified --fault silent
scenario foreign $t.ForeignNameEndsNotIdentified --name "Xenon 2"
scenario long $t.LongNameReplyKeeps19Characters --fault long
scenario split $t.FramesSplitAcrossWritesAreReadWhole --fault split
scenario storm $t.KeyStormFillsTheQueueAndNoMore --no-acks --fault storm
scenario flow-bytes $t.FlowControlBytesFromTheDeviceNeitherStallNorDerail --no-acks --fault flow-bytes --keys 200:8000
exit $scenario_status
