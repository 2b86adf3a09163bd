#!/usr/bin/env bash
# Runs the platform probe under Wine and natively on the same queries and compares the outputs.
# Usage: compare.sh WINE MINGW_CXX PROBE_EXE PROBE_NATIVE CORPUS_DIR QUERIES PREFIX OUT_DIR
set -euo pipefail
wine=$1 mingw=$2 exe=$3 native=$4 corpus=$5 queries=$6 prefix=$7 out=$8

if [ -z "$wine" ] || [ ! -x "$wine" ] || [ -z "$mingw" ] || [ ! -f "$exe" ]; then
    echo "wine differential: Wine (Debian wine64) and MinGW-w64 (g++-mingw-w64-x86-64-posix)" \
         "are required; run tools/deps.sh and re-configure" >&2
    exit 1
fi
mkdir -p "$out" "$prefix"
cd "$corpus"
"$native" "$queries" >"$out/native.txt"
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$wine" "$exe" "$queries" >"$out/wine.txt" 2>"$out/wine-stderr.txt" </dev/null || {
    echo "wine run failed:" >&2
    cat "$out/wine-stderr.txt" >&2
    exit 1
}
cases=$(grep -c '^[0-9]' "$out/wine.txt" || true)
# Every query line is answered: a file that asks nothing, or a malformed query (answered the
# same way on both sides), would otherwise pass unseen.
asked=$(grep -cvE '^(#|[[:space:]]*$)' "$queries" || true)
if [ "$asked" -eq 0 ] || [ "$cases" -lt "$asked" ]; then
    echo "only $cases answers to $asked queries in $corpus/$queries" >&2
    exit 1
fi
if grep -n 'BAD QUERY' "$out/native.txt" >&2; then
    echo "malformed queries in $corpus/$queries" >&2
    exit 1
fi
if ! cmp -s "$out/wine.txt" "$out/native.txt"; then
    echo "portable layer differs from Wine (- Wine, + portable):" >&2
    diff -u "$out/wine.txt" "$out/native.txt" | head -200 >&2 || true
    exit 1
fi
echo "$cases cases identical to Wine"
