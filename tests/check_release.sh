#!/usr/bin/env bash
# The release: scripts/package writes the bundle, whose files are the ones
# listed and pass their own SHA256SUMS; its README names the commit and says
# "modified" exactly when the tree differs from it. A second build of the same
# tree, copied to another path and built into another folder later, gives the
# same bytes, file by file and for the zip; a difference names the first
# differing offset.
# usage: tests/check_release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh

scripts/package
version=$(cat build/release/VERSION)
name=VexloDeletePrinter-$version
bundle=dist/$name
scratch=$(mktemp -d /tmp/vexlo-release.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# The zip holds exactly the bundle's files, and they are what SHA256SUMS says.
listed=$(unzip -Z1 "dist/$name.zip" | paste -sd ' ')
binaries="VexloDeletePrinter.dll VexloDeletePrinter.dll.debug VexloDeletePrinter.lib VexloHost.exe"
actions="VexloInstallerActions.dll VexloInstallerActions.dll.debug"
check "zip contents" "$name/README.txt $name/LICENSE $name/CHANGELOG.md $name/NOTICES.txt $name/VexloDeletePrinter.dll $name/VexloDeletePrinter.dll.debug $name/VexloDeletePrinter.h $name/VexloDeletePrinter.lib $name/VexloHost.exe $(printf "$name/x64/%s " $binaries)$(printf "$name/installer/%s " $actions)$(printf "$name/installer/x64/%s " $actions)$name/installer/VexloPrinter.wxi $name/examples/nsis/RemoveVexloPrinter.nsi $name/examples/nsis/VexloPrinter.nsh $name/examples/wix/RemoveVexloPrinter.wxs $name/VexloDeletePrinter.pdb $name/VexloHost.pdb $name/x64/VexloDeletePrinter.pdb $name/x64/VexloHost.pdb $name/installer/VexloInstallerActions.pdb $name/installer/x64/VexloInstallerActions.pdb $name/SHA256SUMS" "$listed"
unzip -q "dist/$name.zip" -d "$scratch/unzipped"
if (cd "$scratch/unzipped/$name" && sha256sum --quiet -c SHA256SUMS); then pass "sha256sum -c SHA256SUMS"; else
    fail "sha256sum -c SHA256SUMS"; fi
check "SHA256SUMS covers every other file" 27 "$(wc -l <"$scratch/unzipped/$name/SHA256SUMS")"

# Each DLL of the bundle passes the table checks, and a crash address
# resolves through its .gnu_debuglink to the debug file beside it: each
# export's address, from the export table, to its function and source line.
# (The 32-bit functions carry their stdcall decoration.)
for flavour in "32 . i686 @0 @4" "64 x64 x86_64 - -"; do
    read -r bits folder tools decoration actionDecoration <<<"$flavour"
    [ "$decoration" != - ] || decoration= actionDecoration=
    for shipped in "$folder/VexloDeletePrinter.dll|1 DeleteALL|2 IsConnected|$decoration|VexloDeletePrinter" \
                   "installer/$folder/VexloInstallerActions.dll|1 VexloDetect|2 VexloRemove|$actionDecoration|VexloInstallerActions"; do
        IFS='|' read -r file first second suffix sources <<<"$shipped"
        dll=$scratch/unzipped/$name/$file
        tests/check_pe_tables.sh "$dll" "$bits" >/dev/null ||
            fail "the bundle's $bits-bit $(basename "$dll") fails tests/check_pe_tables.sh"
        table=$($tools-w64-mingw32-objdump -p "$dll")
        base=$(sed -n 's/^ImageBase[[:space:]]*//p' <<<"$table")
        for export in "$first" "$second"; do
            read -r ordinal function <<<"$export"
            rva=$(sed -n "s/^[[:space:]]*\[ *[0-9]*\] +base\[ *$ordinal\] \([0-9a-f]*\) Export RVA/\1/p" <<<"$table")
            resolved=$($tools-w64-mingw32-addr2line -f -e "$dll" "$(printf '0x%x' $((16#$base + 16#${rva:-0})))" | paste -sd ' ')
            check "$bits-bit: addr2line resolves $function at RVA ${rva:-none} through the debug link" \
                  "$function$suffix /VexloDeletePrinter/source/$sources/Exports.cpp" \
                  "$(sed 's/:[0-9]*$//' <<<"$resolved")"
        done
    done
done

# The hosts are shipped PE files too, held to the same rules.
for shipped in "VexloHost.exe 32" "x64/VexloHost.exe 64"; do
    read -r file bits <<<"$shipped"
    if tests/check_pe_tables.sh "$scratch/unzipped/$name/$file" "$bits" >/dev/null; then
        pass "the bundle's $bits-bit VexloHost.exe passes tests/check_pe_tables.sh"
    else fail "the bundle's $bits-bit VexloHost.exe fails tests/check_pe_tables.sh"; fi
done

# The symbol store made from the bundle holds each PE file's PDB under the
# GUID and age that the PDB itself carries.
stored=$(scripts/symbol-store "$scratch/unzipped/$name" "$scratch/symbols")
check "symbol store: one PDB per shipped PE file" 6 "$(wc -l <<<"$stored")"
while read -r target; do
    summary=$(llvm-pdbutil dump -summary "$target")
    own=$(sed -n 's/^ *GUID: {\(.*\)}$/\1/p' <<<"$summary" | tr -d -)$(printf '%X' "$(sed -n 's/^ *Age: //p' <<<"$summary")")
    check "symbol store: ${target#"$scratch/symbols/"} under its own GUID and age" "$own" "$(basename "$(dirname "$target")")"
done <<<"$stored"

# The notices: each component with its whole licence, in the files that hold
# it; and the check refuses a licence taken away, cut short, or pointing to a
# file of the build machine.
unzipped=$scratch/unzipped/$name
hosts="VexloHost.exe, x64/VexloHost.exe"
pe="VexloDeletePrinter.dll, VexloHost.exe, x64/VexloDeletePrinter.dll, x64/VexloHost.exe, installer/VexloInstallerActions.dll, installer/x64/VexloInstallerActions.dll"
if tests/check_notices.sh "$unzipped/NOTICES.txt" "MinGW-w64 runtime=$pe" "GCC runtime libraries=$pe" \
       "JSON for Modern C++=$hosts" >"$scratch/notices.said"; then
    pass "NOTICES.txt: $(grep -c '^ok' "$scratch/notices.said") checks of tests/check_notices.sh"
else
    fail "NOTICES.txt: $(grep FAILED "$scratch/notices.said" | paste -sd ' ')"
fi
while IFS='|' read -r what program; do
    awk "$program" "$unzipped/NOTICES.txt" >"$scratch/doctored.txt"
    if tests/check_notices.sh "$scratch/doctored.txt" >/dev/null; then fail "NOTICES.txt with $what: the check passed it"
    else pass "NOTICES.txt with $what: the check fails"; fi
done <<'EOF'
the JSON library's licence text taken away|/^License: Expat/ { print; skip = 1; next } skip && /^=====/ { skip = 0 } !skip
the last line of the runtime's ZPL cut off|/^License: ZPL/ { on = 1 } on && /POSSIBILITY OF SUCH DAMAGE/ { on = 0; next } 1
a licence replaced by a pointer to the build machine|/^License: BSD-3-clause/ { print; print ""; print "See /usr/share/common-licenses/BSD."; skip = 1; next } skip && /^License: |^=====/ { skip = 0 } !skip
EOF
check "LICENSE: the project's own licence" "MIT License|Copyright (c) 2026 Vexlo" \
      "$(sed -n '1p;3p' "$unzipped/LICENSE" | paste -sd '|')"

# The commands the README prints, run as printed from the bundle's root.
if tests/check_printed_commands.sh "$scratch/unzipped/$name" >"$scratch/commands.said"; then
    sed -n 's/^ok: /  /p' "$scratch/commands.said"
    pass "README.txt: $(grep -c '^ok' "$scratch/commands.said") printed commands ran as printed"
else
    fail "README.txt: printed commands: $(grep FAILED "$scratch/commands.said" | paste -sd ' ')"
fi

expected_commit="Built from commit $(git rev-parse HEAD)$([ -z "$(git status --porcelain)" ] || echo ' (modified)')."
check "README names the commit" "$expected_commit" "$(grep -m1 '^Built from commit' "$bundle/README.txt" | tr -d '\r')"

# The same tree elsewhere, built into a folder of another name, a little later.
mkdir "$scratch/elsewhere"
tar --exclude=./build --exclude=./dist -cf - . | tar -xf - -C "$scratch/elsewhere"
sleep 1
(cd "$scratch/elsewhere" && scripts/package "$scratch/other-build" >/dev/null)
other=$scratch/elsewhere/dist
for file in "$name.zip" $(cd dist && find "$name" -type f | sort); do
    first=$(sha256sum <"dist/$file" | cut -d' ' -f1)
    second=$(sha256sum <"$other/$file" 2>/dev/null | cut -d' ' -f1)
    if [ "$first" = "$second" ]; then
        pass "reproducible: $file, SHA-256 $first in both builds"
    else
        difference=$(cmp "dist/$file" "$other/$file" 2>&1 || true)
        byte=$(sed -n 's/.* byte \([0-9]*\).*/\1/p' <<<"$difference")
        fail "not reproducible: $file differs${byte:+ first at offset $((byte - 1)) ($(printf '0x%x' $((byte - 1))))}: $difference"
    fi
done

# A tree that differs from its commit says so.
echo "a local change" >>"$scratch/elsewhere/README.md"
(cd "$scratch/elsewhere" && scripts/package "$scratch/other-build" >/dev/null)
check "modified tree: README says so" "Built from commit $(git rev-parse HEAD) (modified)." \
      "$(grep -m1 '^Built from commit' "$other/$name/README.txt" | tr -d '\r')"

checks_done "release"
