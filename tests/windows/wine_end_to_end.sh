#!/usr/bin/env bash
# Runs Harkvane.asi under Wine through the stand-in host and checks what it did.
set -euo pipefail
src=$1 mingw=$2 sim=$3 wine=$4 prefix=$5 work=$6
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

rm -rf "$work"
mkdir -p "$work/wine"
"$wine" "$mingw/harkvane-host.exe" --plugin "$mingw/Harkvane.asi" --workdir "$work/wine" \
    --seconds 5 --summary "$work/wine/summary.json"
cat "$work/wine/summary.json"
