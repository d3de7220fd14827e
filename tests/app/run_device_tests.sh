#!/usr/bin/env bash
# Runs RelivoX against the device simulator, one simulator run per case,
# on COM3 as the shipped settings name it.
# Usage: run_device_tests.sh SIM WINE_RUN TEST_EXE WINEPREFIX WORKDIR RESULTS_DIR
set -u
sim=$1 winerun=$2 exe=$3 prefix=$4 work=$5 results=$6 com=3
source "$(dirname "$0")/../../tools/sim/scenarios.sh"
scenarios_begin

scenario connect AppDevice.AutostartConnectsThenSendsThePage
scenario port-menu AppDevice.PortMenuListsTheSimulatorsPortAndChoosingItConnects
scenario keys AppDevice.KeyReportsBecomeTheirButtonCommands --keys 800:0004,300:8000,300:4000,300:2000,300:1000,300:0002
scenario xoff AppDevice.StrayXoffNeitherFreezesTheProgramNorKeepsThePinsUp --fault xoff
scenario stall AppDevice.PagesSentDuringAndAfterAStallArrive --fault stall --stall-ms 6000
scenario braille AppBraille.TypedTextArrivesAsTheTranslatorsCellsAndAGradeRetranslates
scenario no-translator AppBraille.WithoutTheTranslatorTheProgramSaysSoAndTheLineStaysEmpty
scenario drawing AppDraw.StrokesUndoErasingAndTheStampedLineReachTheDevice
scenario browse AppDraw.DeviceKeysBrowseTheTypedTextInBraille
scenario colours AppDraw.EveryStrokeColourOnScreen
scenario camera AppCamera.TheCameraUnderTheFlyWindowReachesThePinsBesideTheBrailleLineAndItsSettingsPersist
scenario screen AppScreen.TheAreaUnderThePointerReachesThePinsAndFollowsPointerAndWheel
exit $scenario_status
