#!/usr/bin/env bash
# The decorated names the plug-in imports (windows/ScriptHookRDR2.def) and the stand-in host
# exports (standin/standin.def) must be exactly what the Microsoft x64 compiler makes of the
# host's six declarations. clang, targeting that compiler, decorates windows/host_decls.cpp;
# the undefined symbols of the object are the names the real host exports.
set -euo pipefail
src=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

clang --target=x86_64-pc-windows-msvc -c "$src/windows/host_decls.cpp" -o "$out/decls.obj"
llvm-nm "$out/decls.obj" | awk '$1 == "U" { print $2 }' | sort > "$out/expected"
sed -n 's/^ *Host[A-Za-z0-9]* *== *\([^ ]*\).*/\1/p' "$src/windows/ScriptHookRDR2.def" \
    | sort > "$out/imported"
sed -n 's/^ *\(?[^ ]*\) *= *Standin.*/\1/p' "$src/standin/standin.def" | sort > "$out/exported"

echo "decorated by the compiler:"; sed 's/^/  /' "$out/expected"
status=0
[ "$(wc -l < "$out/expected")" -eq 6 ] || { echo "expected six host functions"; status=1; }
diff -u "$out/expected" "$out/imported" || { echo "plug-in imports differ"; status=1; }
diff -u "$out/expected" "$out/exported" || { echo "stand-in exports differ"; status=1; }
exit $status
