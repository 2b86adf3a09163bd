#!/usr/bin/env bash
# Records the seed inputs of the frames fuzz target from the simulator's scenarios: each scenario
# (and the built-in default) is run with its answers written as fuzz/corpus/frames/seed-<name>
# (frames_seed, built here with the fuzz preset), cut after about MAX_BYTES bytes so the corpus
# stays small. Each seed is then replayed by the target, which must reach the recorded frame.
# usage: tools/fuzz-seeds.sh [scenario.json...]   (default: every scenario and the default run)
set -euo pipefail
cd "$(dirname "$0")/.."
max_bytes=${MAX_BYTES:-65536}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-2}" --target frames_seed fuzz_frames
out=fuzz/corpus/frames
mkdir -p "$out"
scenarios=("$@")
[ ${#scenarios[@]} -eq 0 ] && scenarios=(default scenarios/*.json)
for s in "${scenarios[@]}"; do
    name=$(basename "$s" .json)
    args=()
    [ "$s" != default ] && args=("$s")
    line=$(build/fuzz/fuzz/frames_seed "${args[@]}" "$out/seed-$name" --max-bytes "$max_bytes")
    recorded=$(sed -E 's/.*: ([0-9]+) frames.*/\1/' <<<"$line")
    replayed=$(FRAMES_REPORT=1 build/fuzz/fuzz/fuzz_frames "$PWD/$out/seed-$name" 2>&1 |
        sed -nE 's/^frames: ([0-9]+) frames.*/\1/p' | head -1)
    echo "$line; replayed $replayed frames"
    if [ "$recorded" != "$replayed" ]; then
        echo "fuzz-seeds: seed-$name does not replay its recorded frames" >&2
        exit 1
    fi
done
