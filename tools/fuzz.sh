#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset, clang) and runs each in turn: first every input of
# its corpus in fuzz/corpus/<target>, then fuzzing for the given number of seconds. New inputs
# go to build/fuzz/corpus/<target>; a finding stops the run and is kept under
# build/fuzz/artifacts/ (add it to fuzz/corpus/<target> as a regression input once fixed).
# usage: tools/fuzz.sh [--no-build] SECONDS [target...]
# The targets are the folders of fuzz/corpus (settings streak pools hash_key scenario frames); all by
# default. --no-build runs what is built (the test suite builds once, then runs the targets side
# by side).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=1
[ "${1:-}" = "--no-build" ] && { build=0; shift; }
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

if [ $build -eq 1 ]; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "${JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}")
fi

mkdir -p build/fuzz/artifacts
for t in "${targets[@]}"; do
    # The frames target's inputs carry whole runs (its recorded seeds are about 64 KiB).
    max_len=4096
    [ "$t" = frames ] && max_len=131072
    bin=$root/build/fuzz/fuzz/fuzz_$t
    work=$root/build/fuzz/corpus/$t
    mkdir -p "$work"
    log=build/fuzz/$t.log
    echo "== $t: corpus, then fuzzing for ${seconds}s"
    if ! "$bin" -runs=0 -artifact_prefix="$root/build/fuzz/artifacts/$t-" "$root/fuzz/corpus/$t" >"$log" 2>&1 ||
        ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
            -print_final_stats=1 -artifact_prefix="$root/build/fuzz/artifacts/$t-" \
            "$work" "$root/fuzz/corpus/$t" >>"$log" 2>&1; then
        tail -40 "$log" >&2
        echo "fuzz: $t found a failure (see $log)" >&2
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|stat::new_units_added' "$log" || true
done
