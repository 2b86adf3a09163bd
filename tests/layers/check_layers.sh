#!/usr/bin/env bash
# Checks that the plug-in's includes point one way, from the top of the house down:
#   host -> posse -> spawn -> config, bounty -> platform -> state -> natives
# A file may include its own folder and any folder on a lower level; config and bounty share a
# level and stay apart. Prints which folder includes which, then every include that reaches up
# or sideways (and a folder the list does not place), and fails on any.
# usage: check_layers.sh REPO_ROOT
set -euo pipefail
src=$1/src

declare -A level=([natives]=0 [state]=1 [platform]=2 [config]=3 [bounty]=3 [spawn]=4 [posse]=5
                  [host]=6)

bad=0
declare -A edges=()
for dir in "$src"/*/; do
    from=$(basename "$dir")
    if [ -z "${level[$from]+set}" ]; then
        echo "src/$from/: a folder with no place in the layers (add it to ${0##*/})"
        bad=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
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
if [ "$bad" -ne 0 ]; then
    echo "FAIL: an include reaches up or sideways"
    exit 1
fi
echo "OK: every include points down"
