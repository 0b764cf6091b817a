#!/usr/bin/env bash
# Reads a bundle's NOTICES.txt section by section (a component's name between
# two lines of "="): each names the shipped files that hold it ("In:"), its
# copyright lines, and under each "License: NAME" the whole licence text,
# which must begin and end as that licence does (the table below): a licence
# missing, cut short or unknown here fails, as does a pointer to a file the
# bundle does not hold.
# usage: tests/check_notices.sh <NOTICES.txt> [<component name>=<"In:" line> ...]
#   each component named must be there with exactly that "In:" line
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
notices=$1
shift

# Licence | its first words | its last words (spaces as they come, squeezed)
licences=(
    "ZPL-2.1|Redistribution and use in source and binary forms|EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE."
    "public-domain|This file has no copyright assigned|placed in the Public Domain."
    "Lucent|Permission to use, copy, modify, and distribute this software|OR PERFORMANCE OF THIS SOFTWARE."
    "David-Gay|Permission to use, copy, modify, and distribute this software|OR PERFORMANCE OF THIS SOFTWARE."
    "Permissive-Sun|Permission to use, copy, modify, and distribute this software|provided that this notice is preserved."
    "Keith-Marshall|This is free software.|resulting from the use of this software."
    "BSD-2-clause-NetBSD|Redistribution and use in source and binary forms|IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE."
    "ISC|Permission to use, copy, modify, and distribute this software for any|OR PERFORMANCE OF THIS SOFTWARE."
    "BSD-3-clause|Redistribution and use in source and binary forms|IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE."
    "Expat|Permission is hereby granted, free of charge,|OTHER DEALINGS IN THE SOFTWARE."
    "MIT|Permission is hereby granted, free of charge,|OTHER DEALINGS IN THE SOFTWARE."
    "GPL-3+ with GCC Runtime Library Exception 3.1|GCC RUNTIME LIBRARY EXCEPTION|<https://www.gnu.org/licenses/why-not-lgpl.html>."
)

# One record per licence: component, "In:" line, copyright count, licence
# name, its text on one line; and one per component without a licence.
records=$(tr -d '\r' <"$notices" | awk '
    function flush() { if (lic != "") printf "%s\t%s\t%d\t%s\t%s\n", comp, in_, copies, lic, text; lic = ""; text = "" }
    function close_comp() { flush(); if (comp != "" && !licensed) printf "%s\t%s\t%d\t\t\n", comp, in_, copies }
    /^==========+$/ { if (heading) { heading = 0; next } close_comp(); heading = 1; comp = ""; in_ = ""; copies = 0; licensed = 0; next }
    heading { comp = $0; next }
    comp == "" { next }
    /^In: / { in_ = substr($0, 5); next }
    /^Copyright: ./ && lic == "" { copies++; next }
    /^License: / { flush(); lic = substr($0, 10); licensed = 1; next }
    lic != "" && NF { gsub(/[ \t]+/, " "); sub(/^ /, ""); text = (text == "" ? $0 : text " " $0) }
    END { close_comp() }')

[ -n "$records" ] || fail "$notices names no component (no heading between two lines of \"=\")"
while IFS=$'\t' read -r component in_line copies licence text; do
    [ -n "$component" ] || continue
    [ -n "$in_line" ] || fail "$component: no \"In:\" line naming the shipped files that hold it"
    [ "$copies" -gt 0 ] || fail "$component: no Copyright line"
    [ -n "$licence" ] || { fail "$component: no licence"; continue; }
    known=
    for row in "${licences[@]}"; do
        IFS='|' read -r name first last <<<"$row"
        [ "$name" = "$licence" ] || continue
        known=1
        if [[ "$text" == "$first"* && "$text" == *"$last" ]]; then
            pass "$component: $licence, ${#text} characters, from \"$first\" to \"$last\""
        else
            fail "$component: $licence: expected its text from \"$first\" to \"$last\", got [${text:0:60}…${text: -60}] (${#text} characters)"
        fi
    done
    [ -n "$known" ] || fail "$component: licence '$licence' is not one this check knows the text of"
done <<<"$records"

pointers=$(grep -n '/usr/share/\|/usr/lib/' "$notices" | head -n 3 | paste -sd ' ' || true)
check "pointers to files of the build machine" "" "$pointers"

for expected in "$@"; do
    component=${expected%%=*}
    check "$component: the shipped files that hold it" "${expected#*=}" \
          "$(awk -F'\t' -v c="$component" 'index($1, c) == 1 { print $2; exit }' <<<"$records")"
done
checks_done "notices"
