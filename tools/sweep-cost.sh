#!/usr/bin/env bash
# What a sweep costs under Wine beside Linux: the same 20-seed game-day sweep of the built-in
# scenario through build/release's harkvane-sim and build/mingw's harkvane-sim.exe, one after the
# other in one run; prints both wall-clock times and checks that the two wrote the same files.
# usage: tools/sweep-cost.sh [SEEDS] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-20} jobs=${2:-2}
out=out/sweep-cost
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX=$PWD/$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
rm -rf "$out/linux" "$out/wine"
mkdir -p "$out"
# Wine's first start in a new prefix sets the prefix up; that is not the sweep's cost.
"$wine" build/mingw/sim/harkvane-sim.exe --help >/dev/null 2>&1 || true
args=(--sweep "$seeds" --jobs "$jobs" --seconds 2880 --quiet)
t0=$(date +%s.%N)
build/release/sim/harkvane-sim "${args[@]}" --workdir "$out/linux"
t1=$(date +%s.%N)
"$wine" build/mingw/sim/harkvane-sim.exe "${args[@]}" --workdir "$out/wine"
t2=$(date +%s.%N)
diff -r "$out/linux" "$out/wine" >/dev/null && same="identical files" || same="FILES DIFFER"
printf '%s seeds x 2880 s (a game day), %s jobs, %s cores, load %s\n' "$seeds" "$jobs" \
    "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
awk -v a="$t0" -v b="$t1" -v c="$t2" -v same="$same" 'BEGIN {
    printf "  Linux  harkvane-sim       %6.1f s\n", b - a
    printf "  Wine   harkvane-sim.exe   %6.1f s   (%s)\n", c - b, same }'
