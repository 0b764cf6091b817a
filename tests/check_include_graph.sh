#!/usr/bin/env bash
# The include graph between the library's folders and the three programs,
# drawn from the sources' own #include lines, printed as "from -> to" edges,
# and held to the layout: source/core/ is the library (its root, product/,
# presence/, removal/), source/VexloDeletePrinter/, VexloInstallerActions/
# and VexloHost/ the programs. Programs include the library's headers and
# their own, never another program's; the library includes no program; the
# product's rules (product/) are used by presence/, removal/ and the host,
# and use neither of the first two; the host takes from the library only
# what product/ declares for it (and the owners those headers bring), the
# removal in its logged form (removal/RemovalLog.h), the error names and the
# version text; the
# public header stands alone in the DLL's include/, including nothing of
# the internals.
# usage: tests/check_include_graph.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
core=source/core
programs=(VexloDeletePrinter VexloInstallerActions VexloHost)

group_of() {  # group_of <file>: the library's folder (core, product, ...) or the program it stands in
    case "$1" in
        "$core"/*/*) local rest=${1#"$core"/}; echo "${rest%%/*}" ;;
        "$core"/*) echo core ;;
        source/*/*) local rest=${1#source/}; echo "${rest%%/*}" ;;
        *) echo "?$1" ;;
    esac
}
folder_of() {  # folder_of <including file> <included name>: the group the included file is in
    local from=$1 name=$2 program
    if [ -e "$(dirname "$from")/$name" ]; then group_of "$(dirname "$from")/$name"; return; fi
    if [ -e "$core/$name" ]; then group_of "$core/$name"; return; fi
    for program in "${programs[@]}"; do
        [ ! -e "source/$program/include/$name" ] || { echo "$program"; return; }
    done
    [ "$name" != ProjectVersion.h ] || { echo generated; return; }
    echo "?$name"
}

edges=$(
    find source -name '*.cpp' -o -name '*.h' -o -name '*.c' | sort | while read -r file; do
        sed -n 's/^#include "\(.*\)"/\1/p' "$file" | while read -r name; do
            echo "$(group_of "$file") -> $(folder_of "$file" "$name") $file $name"
        done
    done
)
echo "== folder edges (from -> to: files)"
awk '{print $1, $2, $3}' <<<"$edges" | sort | uniq -c | awk '{printf "  %-22s -> %-22s %s include(s)\n", $2, $4, $1}'

library='^(core|product|presence|removal|generated)$'
for program in "${programs[@]}"; do
    check "$program including another program" "" \
          "$(awk -v p="$program" -v lib="$library" '$1 == p && $3 != p && $3 !~ lib {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
done
check "the library including a program" "" \
      "$(awk -v lib="$library" '$1 ~ lib && $3 !~ lib {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
for user in presence removal VexloHost; do
    if grep -q "^$user -> product " <<<"$edges"; then pass "$user uses product/"; else fail "$user does not include product/"; fi
done
check "the host including internals other than product/, the logged removal, the error names, the version" "" \
      "$(awk '$1 == "VexloHost" && $3 != "VexloHost" && $3 != "product" &&
              $5 !~ /^(removal\/RemovalLog\.h|DescribeError\.h|ProjectVersion\.h)$/ {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "product/ including presence/ or removal/" "" \
      "$(awk '$1 == "product" && ($3 == "presence" || $3 == "removal") {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "unresolved includes" "" "$(awk '$3 ~ /^\?/ || $1 ~ /^\?/ {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "the DLL's include/ holds" "VexloDeletePrinter.h" "$(ls source/VexloDeletePrinter/include | paste -sd' ')"
check "the public header's own includes" "<windows.h>" \
      "$(sed -n 's/^#include \(.*\)/\1/p' source/VexloDeletePrinter/include/VexloDeletePrinter.h | paste -sd' ')"
check "the library's folders" "core presence product removal" \
      "$(cd "$core" && { echo core; find . -mindepth 1 -maxdepth 1 -type d | sed 's|^\./||'; } | sort | paste -sd' ')"
check "source/ holds the library and the programs" "VexloDeletePrinter VexloHost VexloInstallerActions core" \
      "$(ls source | sort | paste -sd' ')"
checks_done "include graph"
