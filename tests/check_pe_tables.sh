#!/usr/bin/env bash
# Reads a shipped PE file's headers and tables (VexloDeletePrinter.dll,
# VexloInstallerActions.dll or VexloHost.exe), by the same rules for the
# 32-bit and the 64-bit build: a PE32 image for Windows 5.01 or a PE32+ one
# for 5.02, imports only of libraries the loader always takes from the
# system folder (a program's imports are looked for beside it first too),
# the hardening of the image, and a shipped form: stripped, with a version
# resource and no time stamp. A DLL also: its exports by their names at
# their ordinals, nothing run at load but the frame registration, no
# exception machinery, at most 64 KiB, its DWARF debug file beside it. Every
# file: its PDB beside it, matched by the GUID and age of the image's CodeView
# record, naming the image's functions; on x86 NO_SEH or a SafeSEH table; on
# x64 CET shadow stack compatible and high-entropy ASLR; Control Flow Guard
# as docs/releasing.md says.
# usage: check_pe_tables.sh <path/to/the.dll|.exe> [32|64]   (default 32)
set -euo pipefail
dll=${1:?usage: check_pe_tables.sh path/to/the.dll|.exe [32|64]}
bits=${2:-32}
debug=$dll.debug
pdb=${dll%.*}.pdb
source "$(dirname "$0")/checks.sh"
# What each file exports, at which ordinals, and imports. The custom actions
# import msi.dll, which the installer's custom-action server has loaded
# before it loads them; winspool.drv and setupapi.dll are loaded by full
# path, and the host reads version resources without version.dll.
module=$(basename "$dll")
kind=dll
case $module in
    VexloHost.exe)
        kind=exe entry_function=mainCRTStartup
        expected_imports="ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ;;
    VexloDeletePrinter.dll)
        entry_function=DeleteALL@0
        expected_exports=$'1 DeleteALL\n2 IsConnected'
        expected_imports="ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ;;
    VexloInstallerActions.dll)
        entry_function=VexloDetect@4
        expected_exports=$'1 VexloDetect\n2 VexloRemove\n3 VexloPlanRemoval'
        expected_imports="ADVAPI32.DLL KERNEL32.DLL MSI.DLL MSVCRT.DLL USER32.DLL " ;;
    *) echo "check_pe_tables.sh: no tables known for '$module'" >&2; exit 2 ;;
esac
# What differs between the two: the tools, the image kind, the Windows
# version, the symbols' leading underscore and the size of a pointer.
case $bits in
    32) tools=i686-w64-mingw32 magic=010b format=pei-i386 minor=1 underscore=_ word=8 ;;
    64) tools=x86_64-w64-mingw32 magic=020b format=pei-x86-64 minor=2 underscore= word=16 ;;
    *) echo "check_pe_tables.sh: expected 32 or 64, got '$bits'" >&2; exit 2 ;;
esac
# The 64-bit names carry no stdcall decoration.
[ "$bits" = 32 ] || entry_function=${entry_function%@*}
entry_function=$underscore$entry_function
dump=$($tools-objdump -p "$dll")
expect() {  # expect <what> <pattern>
    if grep -Eq "$2" <<<"$dump"; then pass "$1"; else fail "$1 (no line matching '$2')"; fi
}

expect "PE$([ "$bits" = 64 ] && echo '32+' || echo 32) image" "^Magic[[:space:]]+$magic"
expect "$format machine" "file format $format\$"
file_flags=$(sed -n 's/^Characteristics[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p' <<<"$dump" | head -n1)
is_dll=$(( (16#${file_flags:-0} & 0x2000) != 0 ))
if [ "$is_dll" = "$([ "$kind" = dll ] && echo 1 || echo 0)" ]; then pass "$kind image (characteristics 0x$file_flags)"; else
    fail "expected a $kind image, characteristics 0x${file_flags:-none}"; fi
expect "subsystem version 5.0$minor" $'^MajorSubsystemVersion[[:space:]]+5$'
expect "subsystem minor $minor" "^MinorSubsystemVersion[[:space:]]+$minor\$"
expect "OS version 5.0$minor" $'^MajorOSystemVersion[[:space:]]+5$'
expect "OS minor $minor" "^MinorOSystemVersion[[:space:]]+$minor\$"
if [ "$kind" = dll ]; then
expect "export directory names the module" "Name[[:space:]].*${module//./\\.}"

# Exports: "[index] name" in the name table, ordinal = index + base.
base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' <<<"$dump" | head -n1)
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^\t\[/{gsub(/[\[\]]/, ""); print $1, $2; next} on{on=0}' <<<"$dump" |
          while read -r index name; do echo "$((index + base)) $name"; done | sort -n)
if [ "$exports" = "$expected_exports" ]; then
    pass "exports $(tr '\n' ' ' <<<"$exports")"
else
    fail "exports: expected [$(tr '\n' ' ' <<<"$expected_exports")], got [$(tr '\n' ' ' <<<"$exports")]"
fi
fi

# Imports: exactly the libraries the loader always takes from the system
# directory (or, for msi.dll, has loaded already).
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort | tr '\n' ' ')
if [ "$imports" = "$expected_imports" ]; then pass "imports $imports"; else
    fail "imports: expected [$expected_imports], got [$imports]"; fi

# Hardening: ASLR with the relocations it needs, no executable data, no
# section both writable and executable, stack protection compiled in.
characteristics=$(sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\).*/\1/p' <<<"$dump" | head -n1)
flag() {  # flag <what> <bit>
    if (( (16#${characteristics:-0} & $2) != 0 )); then pass "$1"; else
        fail "$1 (DllCharacteristics ${characteristics:-none})"; fi
}
flag "DYNAMIC_BASE" 0x40
flag "NX_COMPAT" 0x100
# A 64-bit image can take its base anywhere in the 64-bit address space.
[ "$bits" = 32 ] || flag "HIGH_ENTROPY_VA" 0x20
sections=$($tools-objdump -h "$dll")
expect_in() {  # expect_in <what> <text> <pattern>
    if grep -Eq "$3" <<<"$2"; then pass "$1"; else fail "$1 (no line matching '$3')"; fi
}
expect_in "relocation section" "$sections" $'^[[:space:]]*[0-9]+[[:space:]]+\\.reloc[[:space:]]+0*[1-9a-f]'
writable_code=$(awk '/^[[:space:]]*[0-9]+ /{name=$2; next} /CODE/ && !/READONLY/{print name}' <<<"$sections")
if [ -z "$writable_code" ]; then pass "no section both writable and executable"; else
    fail "writable and executable: $writable_code"; fi
# The PDB beside the image is the one its CodeView record names: file name
# only (no build path), the same GUID (its first three fields stored
# little-endian in the image) and age.
debug_directory=$(llvm-readobj --coff-debug-directory "$dll" 2>/dev/null || true)
record_guid=$(sed -n 's/^ *PDBGUID: (\(.*\))$/\1/p' <<<"$debug_directory" |
              awk '{printf "%s%s%s%s-%s%s-%s%s-%s%s-%s%s%s%s%s%s\n", $4,$3,$2,$1, $6,$5, $8,$7, $9,$10, $11,$12,$13,$14,$15,$16}')
record="$(sed -n 's/^ *PDBFileName: //p' <<<"$debug_directory") ${record_guid:-none} $(sed -n 's/^ *PDBAge: //p' <<<"$debug_directory")"
summary=$(llvm-pdbutil dump -summary "$pdb" 2>/dev/null || true)
check "CodeView record matches the PDB (name, GUID, age)" \
      "$(basename "$pdb") $(sed -n 's/^ *GUID: {\(.*\)}$/\1/p' <<<"$summary") $(sed -n 's/^ *Age: //p' <<<"$summary")" "$record"

# The image's functions by name, from the PDB's public symbols as a debugger
# reads them: "<address> <kind> <name>", the address from the PDB's section
# and offset through this image's own section table, so a PDB that does not
# describe this image's layout names nothing here.
image_base=$(( 16#$(sed -n 's/^ImageBase[[:space:]]*//p' <<<"$dump") ))
mapfile -t section_addresses < <($tools-objdump -h "$dll" | awk '/^ *[0-9]+ /{print $4}')
symbols=$(llvm-pdbutil dump -publics "$pdb" 2>/dev/null |
          awk '/S_PUB32/{name=$0; sub(/^[^`]*`/, "", name); sub(/`$/, "", name); next}
               name != "" && /addr = /{kind = /flags = function/ ? "T" : "D"; split($NF, at, ":");
                                       print at[1] + 0, at[2] + 0, kind, name; name = ""}' |
          while read -r section offset kind name; do
              [ "$section" -ge 1 ] && [ "$section" -le ${#section_addresses[@]} ] || continue
              printf '%x %s %s\n' $(( 16#${section_addresses[section - 1]} + offset )) "$kind" "$name"
          done || true)
if [ "$kind" = dll ]; then
    entry_rva=$(sed -n 's/^[[:space:]]*\[ *[0-9]*\] +base\[ *1\] \([0-9a-f]*\) Export RVA/\1/p' <<<"$dump")
else
    entry_rva=$(sed -n 's/^AddressOfEntryPoint[[:space:]]*//p' <<<"$dump")
fi
named=$(awk -v at="$(printf '%x' $(( image_base + 16#${entry_rva:-0} )))" '$1==at && $2=="T"{print $3}' <<<"$symbols" | paste -sd ' ')
check "the PDB names the function at RVA 0x${entry_rva:-none}" "$entry_function" "$named"

# x86: exceptions are dispatched only to handlers the image lists in its
# SafeSEH table, or to none in it when it is marked NO_SEH; the latter is
# safe only if nothing in it puts a handler on the %fs:0 chain.
load_config=$(llvm-readobj --coff-load-config "$dll" 2>/dev/null || true)
if [ "$bits" = 32 ]; then
    seh_count=$(sed -n 's/^ *SEHandlerCount: //p' <<<"$load_config")
    if (( (16#${characteristics:-0} & 0x400) != 0 )); then
        pass "NO_SEH"
        registrations=$($tools-objdump -d "$dll" | grep -E '%fs:(0x0([^0-9a-fx]|$)|\()' || true)
        if [ -z "$registrations" ]; then pass "no code on the SEH chain (%fs:0)"; else
            fail "NO_SEH, yet code uses the SEH chain: $(head -n3 <<<"$registrations" | paste -sd ';')"; fi
    elif [ "${seh_count:-0}" -gt 0 ]; then
        pass "SafeSEH table, $seh_count handlers"
    else
        fail "neither a SafeSEH table nor NO_SEH (DllCharacteristics ${characteristics:-none}, load configuration ${seh_count:+with }${seh_count:-none})"
    fi
fi
# Control Flow Guard: the GUARD_CF flag only with an instrumented load
# configuration. The toolchain cannot instrument these images yet (see
# docs/releasing.md): none claims it.
cfg=off
(( (16#${characteristics:-0} & 0x4000) == 0 )) || cfg=on
! grep -q 'CF_INSTRUMENTED' <<<"$load_config" || cfg="$cfg, instrumented"
check "Control Flow Guard" off "$cfg"
# CET shadow stacks, which Windows applies to 64-bit code: marked by an
# extended DLL characteristics debug entry.
cet=off
grep -q 'IMAGE_DLL_CHARACTERISTICS_EX_CET_COMPAT' <<<"$debug_directory" && cet=on
check "CET shadow stack compatible" "$([ "$bits" = 64 ] && echo on || echo off)" "$cet"

if [ "$kind" = dll ]; then
[ -f "$debug" ] || fail "no debug file $debug beside the DLL"
canary_check=$(awk -v s="${underscore}__stack_chk_fail" '$3==s{print $1}' <<<"$symbols" | sed 's/^0*//')
protected=$($tools-objdump -d "$dll" | grep -c "call[[:space:]]*0x${canary_check:-none}\$" || true)
if [ "$protected" -gt 0 ]; then pass "stack protection ($protected checks)"; else
    fail "no function checks the stack canary"; fi

# Nothing of its own at load: GCC's start files register one constructor in
# every MinGW DLL (the frame registration, as in a plain C DLL); no other
# constructor and no destructor may be linked in. The lists run from their
# -1 to their 0, each entry a pointer: one group of objdump's dump in a
# 32-bit image, two in a 64-bit one.
list_entries() {  # list_entries <symbol>: the number of functions in the list
    local at words count=0
    at=$(awk -v s="$underscore$1" '$3==s{print $1}' <<<"$symbols" | head -n1)
    [ -n "$at" ] || { echo "none"; return; }
    words=$($tools-objdump -s --start-address=0x$at --stop-address=$(printf '0x%x' $((0x$at + 128))) "$dll" |
            awk -v per=$((word / 8)) '/^ [0-9a-f]+ /{for (i = 2; i <= 5; ++i) if (length($i) == 8 && $i ~ /^[0-9a-f]+$/) {
                     w = w $i; if (++n % per == 0) { print w; w = "" } } }')
    while read -r entry; do
        [ -z "$entry" ] && { echo "unreadable"; return; }
        [ -z "${entry//f/}" ] && continue
        [ -z "${entry//0/}" ] && break
        count=$((count + 1))
    done <<<"$words"
    echo "$count"
}
check "constructors (frame registration only)" 1 "$(list_entries __CTOR_LIST__)"
check "destructors" 0 "$(list_entries __DTOR_LIST__)"

# No C++ exception machinery and no libssp: the library cannot throw.
u=$underscore
machinery=$(grep -E " (${u}__cxa_throw|${u}__cxa_begin_catch|${u}_Unwind_Resume|${u}__gxx_personality_v0|${u}__guard_setup|${u}__gxx_personality_seh0)\$" <<<"$symbols" || true)
if [ -z "$machinery" ]; then pass "no exception machinery linked in"; else
    fail "exception machinery linked in: $(awk '{print $3}' <<<"$machinery" | tr '\n' ' ')"; fi
fi

# Shipped stripped; a DLL small, at most 64 KiB, its debug information in
# the file the .gnu_debuglink names, with its CRC.
if [ -z "$($tools-nm "$dll" 2>/dev/null)" ] && ! grep -q '\.debug_' <<<"$sections"; then
    pass "no symbols and no debug sections"; else fail "symbols or debug sections left in"; fi
if [ "$kind" = dll ]; then
link_offset=$(awk '$2==".gnu_debuglink"{print $6}' <<<"$sections")
link="(no .gnu_debuglink section)"
[ -z "$link_offset" ] || link=$(tail -c +$((16#$link_offset + 1)) "$dll" | head -c 64 | tr -d '\0')
if [[ "$link" == "$(basename "$debug")"* ]]; then pass ".gnu_debuglink names $(basename "$debug")"; else
    fail ".gnu_debuglink: expected $(basename "$debug"), got '${link}'"; fi
size=$(stat -c %s "$dll")
if [ "$size" -le 65536 ]; then pass "size $size bytes"; else
    fail "size $size bytes, expected at most 65536"; fi
fi

# A release artifact: a version resource, and no link time stamp, so that two
# builds of one commit are the same bytes.
expect_in "resource section" "$sections" $'^[[:space:]]*[0-9]+[[:space:]]+\\.rsrc[[:space:]]'
pe_header=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
stamp=$(od -An -tu4 -j$((pe_header + 8)) -N4 "$dll" | tr -d ' ')
if [ "$stamp" = 0 ]; then pass "no time stamp"; else
    fail "time stamp $stamp in the file header, expected 0"; fi

checks_done "PE tables"
