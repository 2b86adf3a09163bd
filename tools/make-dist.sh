#!/usr/bin/env bash
# Packs the players' zip: dist/Harkvane-<version>.zip with the plug-in, its commented settings
# file, the settings checker and simulator (harkvane-sim.exe) and the players' README, all at
# the top level of the archive.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Harkvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
asi=build/mingw/Harkvane.asi
exe=build/mingw/sim/harkvane-sim.exe
for f in "$asi" "$exe" dist/Harkvane.ini dist/README.txt; do
    [ -f "$f" ] || { echo "dist: missing $f" >&2; exit 1; }
done
zipfile=dist/Harkvane-$version.zip
rm -f "$zipfile"
zip -q -X -j "$zipfile" "$asi" "$exe" dist/Harkvane.ini dist/README.txt
zip -sf "$zipfile"
