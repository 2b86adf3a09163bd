#!/usr/bin/env bash
# Runs ctest in the given build tree; finding no test is a failure, and under CI=true so is a
# skipped test.
set -euo pipefail
dir=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$(nproc)" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
[ "$rc" -eq 0 ] || exit "$rc"
if [ "${CI:-}" = "true" ] && grep -qE '\*\*\*Skipped|Not Run|tests did not run' "$log"; then
    echo "CI: a test was skipped; every test must run in CI" >&2
    exit 1
fi
