#!/usr/bin/env bash
# Checks that the plug-in's includes point one way, from the top of the house down:
#   host -> posse -> spawn -> config, bounty -> platform -> state -> natives
# and the simulator's the same way, standing on hostkit and the plug-in:
#   the command (sim/main.cpp) -> report -> run -> scenario -> world -> os
# A file may include its own folder and any folder on a lower level; config and bounty share a
# level and stay apart. Prints which folder includes which, then every include that reaches up
# or sideways (and a folder the list does not place), and fails on any, and on a loop of
# includes among the simulator's files.
# usage: check_layers.sh REPO_ROOT
set -euo pipefail
src=$1/src

declare -A level=([natives]=0 [state]=1 [platform]=2 [config]=3 [bounty]=3 [spawn]=4 [posse]=5
                  [host]=6)

bad=0
quoted='"([^"]*)"' # the name an include line names (no process per line: there are hundreds)
declare -A edges=()
for dir in "$src"/*/; do
    from=$(basename "$dir")
    if [ -z "${level[$from]+set}" ]; then
        echo "src/$from/: a folder with no place in the layers (add it to ${0##*/})"
        bad=1
        continue
    fi
    while IFS=: read -r file line text; do
        [[ $text =~ $quoted ]] && target=${BASH_REMATCH[1]}
        to=${target%%/*}
        where="${file#"$1"/}:$line"
        if [ "$to" = "$target" ]; then
            echo "$where: includes \"$target\" without its folder"
            bad=1
        elif [ -z "${level[$to]+set}" ]; then
            echo "$where: includes \"$target\" from outside the plug-in's folders"
            bad=1
        elif [ "$to" != "$from" ]; then
            edges[$from]+=" $to"
            if [ "${level[$to]}" -ge "${level[$from]}" ]; then
                echo "$where: $from includes \"$target\", which is not below it"
                bad=1
            fi
        fi
    done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir"*.h "$dir"*.cpp \
                 2>/dev/null || true)
done

for from in natives state platform config bounty spawn posse host; do
    [ -n "${edges[$from]+set}" ] || { echo "$from: includes no other folder"; continue; }
    echo "$from: includes $(tr " " "\n" <<<"${edges[$from]}" | sort -u | xargs)"
done
# The simulator: its rooms above everything the plug-in and hostkit offer.
declare -A simLevel=([os]=0 [world]=1 [scenario]=2 [run]=3 [report]=4 [sim]=5)
below=(hostkit natives state platform config bounty spawn posse host)
declare -A simEdges=()
loops=$(mktemp)
trap 'rm -f "$loops"' EXIT
while IFS=: read -r file line text; do
    rel=${file#"$1"/sim/}
    from=${rel%%/*}
    [ "$from" = "$rel" ] && from=sim # the command, sim/main.cpp
    [[ $text =~ $quoted ]] && target=${BASH_REMATCH[1]}
    to=${target%%/*}
    where="sim/$rel:$line"
    if [ -z "${simLevel[$from]+set}" ]; then
        echo "$where: sim/$from/ is a folder with no place in the layers (add it to ${0##*/})"
        bad=1
    elif [ "$to" = "$target" ]; then
        echo "$where: includes \"$target\" without its folder"
        bad=1
    elif [[ " ${below[*]} " == *" $to "* ]]; then
        simEdges[$from]+=" $to"
    elif [ -z "${simLevel[$to]+set}" ] || [ "$to" = sim ]; then
        echo "$where: includes \"$target\" from outside the simulator's rooms"
        bad=1
    else
        [ "$to" != "$from" ] && simEdges[$from]+=" $to"
        echo "$rel $target" >>"$loops"
        if [ "${simLevel[$to]}" -gt "${simLevel[$from]}" ] ||
            { [ "$to" != "$from" ] && [ "${simLevel[$to]}" -eq "${simLevel[$from]}" ]; }; then
            echo "$where: $from includes \"$target\", which is not below it"
            bad=1
        fi
    fi
done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$1"/sim/*.cpp "$1"/sim/*/*.h \
             "$1"/sim/*/*.cpp 2>/dev/null || true)
# A loop of includes between the files of one room (header to header) is also refused.
if ! tsort "$loops" >/dev/null 2>&1; then
    echo "sim: includes that go round in a loop:"
    tsort "$loops" 2>&1 >/dev/null | sed 's/^/  /'
    bad=1
fi
for from in os world scenario run report sim; do
    name=sim/$from
    [ "$from" = sim ] && name=sim/main.cpp
    [ -n "${simEdges[$from]+set}" ] || { echo "$name: includes no other folder"; continue; }
    echo "$name: includes $(tr " " "\n" <<<"${simEdges[$from]}" | sort -u | xargs)"
done

if [ "$bad" -ne 0 ]; then
    echo "FAIL: an include reaches up or sideways"
    exit 1
fi
echo "OK: every include points down"
