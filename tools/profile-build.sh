#!/usr/bin/env bash
# Builds the simulator that sweeps run, guided by a profile of its own run (about a quarter less
# CPU a seed than the plain release build, same outputs to the byte):
#   1. build/release-train: the simulator recording which branches and calls it takes;
#   2. a training run of it: one seed of the evening and an hour of the built-in scenario;
#   3. build/release-pgo: the simulator laid out and inlined by that record.
# The training runs again only when the training copy was rebuilt (sources changed); a new
# profile rebuilds the guided copy from scratch, since the build tool cannot see it change.
# usage: tools/profile-build.sh [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
profile=build/profile
stamp=$profile/trained.stamp
train=build/release-train/sim/harkvane-sim

cmake --preset release-train >/dev/null
cmake --build --preset release-train -j "$jobs" --target harkvane-sim

if [ ! -f "$stamp" ] || [ "$train" -nt "$stamp" ]; then
    echo "profile-build: training run" >&2
    rm -rf "$profile" build/release-pgo build/profile-run
    mkdir -p "$profile"
    "$train" scenarios/evening.json --seed 1 --workdir build/profile-run/evening --quiet
    "$train" --seconds 3600 --workdir build/profile-run/default --quiet
    touch "$stamp"
fi

cmake --preset release-pgo >/dev/null
cmake --build --preset release-pgo -j "$jobs" --target harkvane-sim
