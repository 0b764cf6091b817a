#!/usr/bin/env bash
# The include graph between the library's folders and the host, drawn from
# the sources' own #include lines, printed as "from -> to" edges, and held
# to the layout: the product's rules (product/) used by presence/, removal/
# and the host; nothing of the library including the host; the host taking
# from the library only what product/ declares for it (and the handle and
# library owners those headers bring); the public header alone in include/,
# including nothing of the internals.
# usage: tests/check_include_graph.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
dll=source/dll/VexloDeletePrinter

# The folder a quoted include names, seen from the including file's folder.
folder_of() {  # folder_of <including file> <included name>
    local from=$1 name=$2
    case "$name" in
        */*) echo "${name%%/*}" ;;
        *) if [ -e "$(dirname "$from")/$name" ] && [[ "$from" == host/* ]]; then echo host
           elif [ -e "$dll/include/$name" ]; then echo include
           elif [ -e "$dll/$name" ]; then echo root
           else echo "?$name"; fi ;;
    esac
}
group_of() {  # the folder a file stands in
    case "$1" in
        host/*) echo host ;;
        "$dll"/*/*) local rest=${1#"$dll"/}; echo "${rest%%/*}" ;;
        *) echo root ;;
    esac
}

edges=$(
    find "$dll" host -name '*.cpp' -o -name '*.h' | sort | while read -r file; do
        sed -n 's/^#include "\(.*\)"/\1/p' "$file" | while read -r name; do
            echo "$(group_of "$file") -> $(folder_of "$file" "$name") $file $name"
        done
    done
)
echo "== folder edges (from -> to: files)"
awk '{print $1, $2, $3}' <<<"$edges" | sort | uniq -c | awk '{printf "  %-10s -> %-8s %s include(s)\n", $2, $4, $1}'

for user in presence removal host; do
    if grep -q "^$user -> product " <<<"$edges"; then pass "$user uses product/"; else fail "$user does not include product/"; fi
done
check "the library including the host" "" "$(grep -v '^host ' <<<"$edges" | awk '$3 == "host" {print $4}' | sort -u | paste -sd' ')"
check "the host including internals other than product/" "" \
      "$(awk '$1 == "host" && $3 != "host" && $3 != "product" {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "product/ including presence/ or removal/" "" \
      "$(awk '$1 == "product" && ($3 == "presence" || $3 == "removal") {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "unresolved includes" "" "$(awk '$3 ~ /^\?/ {print $4 ": " $5}' <<<"$edges" | paste -sd' ')"
check "include/ holds" "VexloDeletePrinter.h" "$(ls "$dll/include" | paste -sd' ')"
check "the public header's own includes" "<windows.h>" \
      "$(sed -n 's/^#include \(.*\)/\1/p' "$dll/include/VexloDeletePrinter.h" | paste -sd' ')"
check "headers of the library's folder root that look public" "" \
      "$(ls "$dll"/*.h | xargs -n1 basename | grep -x 'VexloDeletePrinter.h' || true)"
checks_done "include graph"
