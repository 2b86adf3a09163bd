#!/usr/bin/env bash
# harkvane-sim.exe under Wine against the Linux harkvane-sim: the settings checker on the lint and
# profile corpora, --print-settings, a scenario run with its report and compressed trace, and a
# 5-seed sweep with one and with two processes must give the same bytes and exit statuses; the
# no-argument way in must check a broken Harkvane.ini, write its pages and open no browser; a
# folder with spaces and non-ASCII letters, named with backslashes, must work for every option;
# and the program may import only Windows' own DLLs.
# usage: sim_exe.sh REPO_ROOT SIM_EXE LINUX_SIM WINE WINE_PREFIX WORK
set -euo pipefail
src=$1 exe=$2 sim=$3 wine=$4 prefix=$5 work=$6
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8
fail=0
bad() { echo "FAIL: $*"; fail=1; }

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
# One Wine server for all the runs below, so that each run does not start its own.
"$(dirname "$wine")/wineserver" -p15 2>/dev/null || true

# Runs one side in folder $1 (created), name $2, then the arguments; keeps stdout, stderr, status.
side() {
    echo "$SECONDS s: $2" >>"$work/times.txt"
    local dir=$1 name=$2
    shift 2
    mkdir -p "$dir"
    set +e
    (cd "$dir" && "$@" >"$name.out" 2>"$name.err" </dev/null)
    echo $? >"$dir/$name.status"
    set -e
}
both() { # name, arguments (the same on both sides, run in $work/lin and $work/win)
    local name=$1
    shift
    side "$work/lin" "$name" "$sim" "$@"
    side "$work/win" "$name" "$wine" "$exe" "$@"
}

# Imports: Windows' own DLLs only.
imports=$(objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
echo "harkvane-sim.exe imports: $(echo $imports)"
for dll in $imports; do
    [[ ${dll,,} =~ ^(kernel32|msvcrt|shell32|user32|advapi32)\.dll$ ]] || bad "imports $dll"
done

# The checker on every corpus file, named the same on both sides.
mkdir -p "$work/lin" "$work/win"
for f in "$src"/tests/data/lint_mistakes.ini "$src"/tests/profile_corpus/*.ini \
    "$src"/dist/Harkvane.ini; do
    n=$(basename "$f" .ini)
    cp "$f" "$work/lin/$n.ini"
    cp "$f" "$work/win/$n.ini"
    both "lint-$n" --lint-ini "$n.ini"
done
both lint-missing --lint-ini missing.ini

# What the plug-in understood: built-in settings, a file, and settings written in a scenario.
cp "$src/scenarios/timed_posse.json" "$work/lin/"
cp "$src/scenarios/timed_posse.json" "$work/win/"
both print-default --print-settings
both print-file --print-settings --ini lint_mistakes.ini
both print-inline timed_posse.json --print-settings

# A scenario run with every output, and a sweep of five seeds with one and two processes in which
# the process of seed 42 crashes and that of seed 43 ends with status 0 but no record (a hidden
# switch for tests): the other rows are those of Linux, those two say what became of their seed,
# and the sweep ends with status 1.
both run timed_posse.json --workdir run --timeline run-timeline.txt --summary run-summary.json \
    --map run-map.svg --report run-report.html --trace run-trace.jsonl.gz
export HARKVANE_SIM_SEED_FAULT=42:crash,43:no-record
for jobs in 1 2; do
    both "sweep$jobs" --sweep 5 --jobs "$jobs" --seconds 240 --seed 40 --quiet --workdir "sweep$jobs"
done
unset HARKVANE_SIM_SEED_FAULT
linux_crash="killed by signal 11 (Segmentation fault)"
windows_crash="crashed with exception 0xC0000005 (access violation)"
for jobs in 1 2; do
    for s in lin win; do
        crash=$([ $s = lin ] && echo "$linux_crash" || echo "$windows_crash")
        d="$work/$s/sweep$jobs"
        [ "$(cat "$work/$s/sweep$jobs.status")" = 1 ] || bad "$s: a sweep with a crashed seed: status $(cat "$work/$s/sweep$jobs.status")"
        grep -q "seed 42: $crash\$" "$d/sweep.txt" || bad "$s: --jobs $jobs: the crash of seed 42 is not its row's error"
        grep -q "seed 43: the run ended without its record (exit status 0)\$" "$d/sweep.txt" ||
            bad "$s: --jobs $jobs: seed 43 ended without its record and the row does not say so"
    done
    # The one line that differs between the systems is how the crash is named.
    for f in sweep.json sweep.txt sweep.html; do
        text=$(cat "$work/win/sweep$jobs/$f"; echo x)
        text=${text//"$windows_crash"/"$linux_crash"}
        printf '%s' "${text%x}" >"$work/win/sweep$jobs/$f"
    done
done

# The no-argument way in, in a folder with spaces and letters beyond ASCII.
mods="Mods für Harkvane"
for s in lin win; do
    mkdir -p "$work/$s/$mods"
    cp "$src/tests/data/lint_mistakes.ini" "$work/$s/$mods/Harkvane.ini"
done
# The longest step of this test: both sides at once.
side "$work/lin/$mods" noarg "$sim" --no-open &
side "$work/win/$mods" noarg "$wine" "$exe" --no-open
wait
for s in lin win; do
    d="$work/$s/$mods"
    [ "$(cat "$d/noarg.status")" = 1 ] || bad "$s: no-argument run on a broken file: status $(cat "$d/noarg.status")"
    grep -q '^Harkvane.ini:4: \[Spawner\] MaxAlive' "$d/noarg.out" || bad "$s: findings not printed"
    grep -q 'Opening\|Open sweep.html' "$d/noarg.out" && bad "$s: --no-open offered a browser"
    grep -q 'despawned' "$d/noarg.out" && bad "$s: the evening's timeline was printed"
    for page in sweep.html report.html sweep.json; do
        [ -s "$d/Harkvane-report/$page" ] || bad "$s: Harkvane-report/$page not written"
    done
    # Lines naming the folder differ between the systems.
    grep -v 'Checking your settings:\|The report is in' "$d/noarg.out" >"$d/noarg.rest"
done
# Without Harkvane.ini: says where it looked.
side "$work/lin/empty" noarg "$sim" --no-open
side "$work/win/empty" noarg "$wine" "$exe" --no-open
for s in lin win; do
    [ "$(cat "$work/$s/empty/noarg.status")" = 2 ] || bad "$s: no Harkvane.ini: status is not 2"
    grep -q "No Harkvane.ini was found" "$work/$s/empty/noarg.err" || bad "$s: no Harkvane.ini: not said"
    grep -q "^  .*empty\$" "$work/$s/empty/noarg.err" || bad "$s: no Harkvane.ini: the folder is not named"
    grep -v "^  " "$work/$s/empty/noarg.err" >"$work/$s/empty/noarg.said"
    rm "$work/$s/empty/noarg.err"
done

# Every option on that folder, named in full (@ below), with backslashes on Windows; then names
# that cannot be opened or written, which must get the same line and status on both systems.
lin="$work/lin/$mods"
win="Z:${work//\//\\}\\win\\$mods"
cp "$src/scenarios/timed_posse.json" "$lin/"
cp "$src/scenarios/timed_posse.json" "$work/win/$mods/"
# Each row: the status expected, a name, then the arguments, "|" between them; @ is the folder.
run="@/timed_posse.json|--seconds|1|--quiet"
full=(
    "1|lint|--lint-ini|@/Harkvane.ini"
    "0|print|--print-settings|--ini|@/Harkvane.ini"
    "0|run|@/timed_posse.json|--check|--quiet|--workdir|@/full run|--report|@/full run/report.html|--summary|@/full run/summary.json|--trace|@/full run/trace.jsonl.gz|--map|@/full run/map.svg|--timeline|@/full run/timeline.txt"
    # A comparison is two sweeps: the seeds of both read their settings file by its full name.
    "0|sweep|--sweep|2|--seconds|120|--quiet|--ini|@/Harkvane.ini|--compare|@/Harkvane.ini|--workdir|@/full sweep"
    "2|missing-lint|--lint-ini|@/missing.ini"
    "2|missing-print|--print-settings|--ini|@/missing.ini"
    "2|missing-scenario|@/missing.json"
    "2|missing-ini|$run|--ini|@/missing.ini"
    "2|missing-compare|--sweep|2|--compare|@/missing.ini"
    "1|unwritable-workdir|$run|--workdir|@/Harkvane.ini/run"
    "1|unwritable-summary|$run|--summary|@/no folder/summary.json"
    "1|unwritable-timeline|$run|--timeline|@/no folder/timeline.txt"
    "1|unwritable-map|$run|--map|@/no folder/map.svg"
    "1|unwritable-report|$run|--report|@/no folder/report.html"
    "1|unwritable-trace|$run|--trace|@/no folder/trace.jsonl"
)
for row in "${full[@]}"; do
    IFS='|' read -r -a words <<<"$row"
    status=${words[0]} name=full-${words[1]}
    linargs=() winargs=()
    for word in "${words[@]:2}"; do
        tail=${word#@}
        if [ "$tail" = "$word" ]; then
            linargs+=("$word")
            winargs+=("$word")
        else
            linargs+=("$lin$tail")
            winargs+=("$win${tail//\//\\}")
        fi
    done
    side "$lin" "$name" "$sim" "${linargs[@]}"
    side "$work/win/$mods" "$name" "$wine" "$exe" "${winargs[@]}"
    [ "$(cat "$lin/$name.status")" = "$status" ] || bad "$name: status $(cat "$lin/$name.status"), not $status"
    if [ "$status" = 2 ] || [[ $name == full-unwritable-* ]]; then
        [ "$(wc -l <"$lin/$name.err")" = 1 ] || bad "$name: not one line: $(cat "$lin/$name.err")"
    fi
done
# Messages and sweep pages name the file as given: the Windows name (also as written in JSON) is
# put back to the Linux one to compare.
winjson=${win//\\/\\\\}
while IFS= read -r -d '' f; do
    text=$(cat "$f"; echo x)
    text=${text//"$win\\"/"$lin/"}
    text=${text//"$winjson\\\\"/"$lin/"}
    # Beyond the folder, the names of the files that cannot be written keep Windows' separators.
    if [[ $f == */full-unwritable-* ]]; then text=${text//\\//}; fi
    printf '%s' "${text%x}" >"$f"
done < <(find "$work/win/$mods" \( -name 'full-*.out' -o -name 'full-*.err' -o -path '*/full sweep/*' \
    \) -type f -print0)

# Everything both sides wrote must be the same bytes (but the progress bar's times).
rm -f "$work"/{lin,win}/"$mods"/noarg.{out,err}
if ! diff -r "$work/lin" "$work/win" >"$work/diff.txt"; then
    bad "Windows and Linux outputs differ:"
    head -40 "$work/diff.txt"
fi
files=$(find "$work/win" -type f | wc -l)
echo "$files files compared"
[ "$files" -gt 150 ] || bad "only $files files were compared"
for s in lint-lint_mistakes lint-missing run sweep1 sweep2; do
    echo "$s: status $(cat "$work/win/$s.status")"
done
[ "$(cat "$work/win/lint-lint_mistakes.status")" = 1 ] || bad "the broken file did not fail the checker"
[ "$(cat "$work/win/lint-missing.status")" = 2 ] || bad "a missing file did not give status 2"
[ "$(cat "$work/win/run.status")" = 0 ] || bad "the scenario run failed"
cmp -s "$work/win/sweep1/sweep.json" "$work/win/sweep2/sweep.json" || bad "sweep.json differs with --jobs"
exit $fail
