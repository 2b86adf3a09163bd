#!/usr/bin/env bash
# Harkvane.asi exports nothing and imports only from the host DLL, KERNEL32, USER32 and the
# C runtime; from the host exactly the six decorated functions the host exports.
set -euo pipefail
src=$1
asi=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

objdump -p "$asi" > "$out/p"
grep -q 'file format pei-x86-64' "$out/p" || { echo "not a 64-bit PE image"; exit 1; }
grep -qE 'Characteristics 0x[0-9a-f]*' "$out/p"
# Image characteristic 0x2000: the image is a DLL.
chars=$(sed -n 's/^Characteristics[[:space:]]*0x\([0-9a-f]*\).*/\1/p' "$out/p" | head -1)
(( (16#$chars & 0x2000) != 0 )) || { echo "not a DLL (characteristics 0x$chars)"; exit 1; }

status=0
# Exports: either no export directory or one whose name table is empty.
if grep -q '^\[Ordinal/Name Pointer\] Table' "$out/p"; then
    exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/p" | grep -c '\[' || true)
    exports=$((exports - 1))
    [ "$exports" -eq 0 ] || { echo "Harkvane.asi exports $exports names"; status=1; }
fi

# Imports: "DLL Name: X" followed by "hint name" lines, per DLL.
awk '/DLL Name:/ { dll = $3; next }
     dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +/ { print dll, $3 }
     /^$/ { dll = "" }' "$out/p" > "$out/imports"
echo "imports:"; awk '{ print $1 }' "$out/imports" | sort | uniq -c
allowed='^(ScriptHookRDR2\.dll|KERNEL32\.dll|USER32\.dll|msvcrt\.dll)$'
for dll in $(awk '{ print $1 }' "$out/imports" | sort -u); do
    [[ $dll =~ $allowed ]] || { echo "unexpected import library: $dll"; status=1; }
done
awk '$1 == "ScriptHookRDR2.dll" { print $2 }' "$out/imports" | sort > "$out/host"
clang --target=x86_64-pc-windows-msvc -c "$src/windows/host_decls.cpp" -o "$out/decls.obj"
llvm-nm "$out/decls.obj" | awk '$1 == "U" { print $2 }' | sort > "$out/expected"
diff -u "$out/expected" "$out/host" || { echo "host imports differ from the host's exports"; status=1; }
exit $status
