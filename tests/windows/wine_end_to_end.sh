#!/usr/bin/env bash
# Runs Harkvane.asi under Wine through the stand-in host on a scenario, then the same scenario
# and seed through the Linux harkvane-sim, and checks the Windows run and the agreement of both.
set -euo pipefail
src=$1 mingw=$2 sim=$3 wine=$4 prefix=$5 work=$6
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
scenario=$src/tests/windows/wine_posse.json

rm -rf "$work"
mkdir -p "$work"
"$wine" "$mingw/harkvane-host.exe" "$scenario" --plugin "$mingw/Harkvane.asi" --quiet \
    --workdir "$work/wine" --summary "$work/wine-summary.json" --trace "$work/wine-trace.jsonl"
"$sim" "$scenario" --quiet --workdir "$work/linux" --summary "$work/linux-summary.json" \
    --trace "$work/linux-trace.jsonl"

cmake -DWORK="$work" -P "$src/tests/windows/check_wine_run.cmake"
