#!/usr/bin/env bash
# The installer and the portable archive as a user tries them, in a fresh
# Wine prefix of their own: install silently (with the desktop shortcut),
# check what arrived, run the installed program against the device
# simulator and change settings, install again over it, uninstall silently,
# install again and uninstall answering the question, then unpack the
# portable archive and start the program from it. Each step is a case of
# install_test.exe, which starts the installer itself, as Windows starts it
# (a 32-bit installer in a 64-bit prefix too).
# Usage: run_install_test.sh SIM WINE_RUN TEST_EXE SETUP PORTABLE_ZIP WORKDIR RESULTS_DIR
set -u
sim=$1 winerun=$2 exe=$3 setup=$4 portable=$5 work=$6 results=$7 com=3
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"
export RELIVO_WINEPREFIX="$prefix"
source "$(dirname "$0")/../../tools/sim/scenarios.sh"

export RELIVO_SETUP="Z:$setup" RELIVO_INSTALL_WORK="Z:$work" RELIVO_PORTABLE_DIR="Z:$work/portable"
scenarios_begin

scenario install Installed.FilesStartMenuDesktopAndUninstallEntry
scenario run Installed.TheProgramRunsConnectsAndKeepsWhatTheUserChanges
scenario reinstall Installed.AReinstallKeepsTheSettingsAndTheLogAndAddsTheNewKeys
scenario silent-uninstall Installed.TheSilentUninstallLeavesOnlyTheSettingsAndTheLog
scenario asked-uninstall Installed.TheUninstallerAsksAndRemovesTheSettingsWhenTold

mkdir -p "$work/portable"
(cd "$work/portable" && cmake -E tar xf "$portable") || { echo "the portable archive does not unpack"; exit 1; }
scenario portable Portable.RunsFromTheUnpackedArchive
exit $scenario_status
