#!/usr/bin/env bash
# Reads the DLL's headers and tables: a PE32 image for Windows 5.01, the
# exports by their names at their ordinals, and imports of system DLLs only.
set -euo pipefail
dll=${1:?usage: check_dll_tables.sh VexloDeletePrinter.dll}
dump=$(i686-w64-mingw32-objdump -p "$dll")
failures=0
expect() {  # expect <what> <pattern>
    if grep -Eq "$2" <<<"$dump"; then echo "ok: $1"; else echo "FAILED: $1 (no line matching '$2')"; failures=$((failures + 1)); fi
}

expect "PE32 image" $'^Magic[[:space:]]+010b'
expect "i386 machine" 'file format pei-i386'
expect "DLL characteristic" $'^Characteristics[[:space:]]+0x[0-9a-f]*[2367abef][0-9a-f]{3}$'
expect "subsystem version 5.01" $'^MajorSubsystemVersion[[:space:]]+5$'
expect "subsystem minor 1" $'^MinorSubsystemVersion[[:space:]]+1$'
expect "OS version 5.01" $'^MajorOSystemVersion[[:space:]]+5$'
expect "export directory names the module" 'Name[[:space:]].*VexloDeletePrinter\.dll'

# Exports: "[index] name" in the name table, ordinal = index + base.
base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' <<<"$dump" | head -n1)
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^\t\[/{gsub(/[\[\]]/, ""); print $1, $2; next} on{on=0}' <<<"$dump" |
          while read -r index name; do echo "$((index + base)) $name"; done | sort -n)
expected_exports=${EXPECTED_EXPORTS:-$'1 DeleteALL\n2 IsConnected'}
if [ "$exports" = "$expected_exports" ]; then
    echo "ok: exports $(tr '\n' ' ' <<<"$exports")"
else
    echo "FAILED: exports: expected [$(tr '\n' ' ' <<<"$expected_exports")], got [$(tr '\n' ' ' <<<"$exports")]"
    failures=$((failures + 1))
fi

system_dlls='^(KERNEL32|ADVAPI32|USER32|msvcrt|WINSPOOL\.DRV|SETUPAPI)\.dll$|^WINSPOOL\.DRV$'
while read -r imported; do
    if grep -Eiq "$system_dlls" <<<"$imported"; then echo "ok: imports $imported"; else
        echo "FAILED: imports $imported, which is not a system DLL"; failures=$((failures + 1)); fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")

[ "$failures" -eq 0 ] && echo "DLL tables: all checks passed" || echo "DLL tables: $failures failure(s)"
exit "$failures"
