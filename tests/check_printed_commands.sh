#!/usr/bin/env bash
# What is printed to be run from a bundle's root runs there as printed, taken
# from the text itself, in a fresh copy of the bundle each time:
# - in the bundle's README.txt, each run of adjacent lines that begin with
#   "$ " is one script (a variable set on one line is there for the next),
#   run in "bash -e -o pipefail"; the WiX lines it gives for wixl ("wixl wants ...") are put
#   into the bundle's WiX example in place of its include line and built by
#   wixl, as an author's package takes them;
# - in README.md and docs/, each block marked "from the bundle's root" is run
#   in "bash -e -o pipefail", and each marked "wixl, from the bundle's root" is built as above.
# Every script must exit 0. A README that prints no command fails: the
# convention itself would have been lost.
# usage: tests/check_printed_commands.sh <bundle folder>
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
source tests/doc_blocks.sh
bundle=$(cd "${1:?usage: tests/check_printed_commands.sh <bundle folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-commands.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

in_a_fresh_bundle() {  # in_a_fresh_bundle <what> <script>: runs it from a copy's root; checks exit 0
    rm -rf "$scratch/bundle"
    cp -a "$bundle" "$scratch/bundle"
    local code=0
    (cd "$scratch/bundle" && timeout 300 bash -e -o pipefail -c "$2" >"$scratch/said" 2>&1 </dev/null) || code=$?
    check "$1: exit status" 0 "$code"
    [ "$code" -eq 0 ] || tail -n 5 "$scratch/said"
    # addr2line says "??" and exits 0 when it finds nothing: a crash report's
    # command must name a function.
    if grep -q addr2line <<<"$2"; then
        check "$1: addr2line names a function and its line" "" "$(grep '^??' "$scratch/said" || true)"
    fi
}
wixl_lines() {  # wixl_lines <what> <lines>: the WiX example with these lines in place of its include, built by wixl
    local lines=$2
    awk -v lines="$lines" '/^[[:space:]]*<\?include VexloPrinter\.wxi \?>/ { print lines; next } { print }' \
        "$bundle/examples/wix/RemoveVexloPrinter.wxs" >"$scratch/lines.wxs"
    grep -qF "$(head -n1 <<<"$lines")" "$scratch/lines.wxs" || { fail "$1: the WiX example has no include line to replace"; return; }
    in_a_fresh_bundle "$1, built by wixl into the WiX example" \
        "wixl -a x86 -I installer -o '$scratch/lines.msi' '$scratch/lines.wxs'"
}

readme=$(tr -d '\r' <"$bundle/README.txt")
scripts=()
script=
while IFS= read -r line; do
    if [[ "$line" =~ ^[[:space:]]*\$\ (.*)$ ]]; then script+="${BASH_REMATCH[1]}"$'\n'
    elif [ -n "$script" ]; then scripts+=("$script"); script=; fi
done <<<"$readme"
[ -z "$script" ] || scripts+=("$script")
[ "${#scripts[@]}" -gt 0 ] || fail "$bundle/README.txt prints no command (no line that begins with \"\$ \")"
for script in "${scripts[@]}"; do
    in_a_fresh_bundle "README.txt, from the bundle's root: $(paste -sd ';' <<<"${script%$'\n'}")" "$script"
done
wixl=$(awk '/wixl wants/ { found = 1; next } found && /^    <\?/ { print substr($0, 5); taken = 1; next } taken { exit }' <<<"$readme")
if [ -n "$wixl" ]; then wixl_lines "README.txt's lines for wixl" "$wixl"
else fail "README.txt gives no WiX lines for wixl (after \"wixl wants\")"; fi

doc_blocks README.md docs/*.md >"$scratch/blocks" || fail "the pages' fenced blocks could not be read (above)"
while IFS= read -r -d '' block; do
    split_block "$block"
    case "$place" in
        "from the bundle's root") in_a_fresh_bundle "$where, from the bundle's root" "$body" ;;
        "wixl, from the bundle's root") wixl_lines "$where" "${body%$'\n'}" ;;
    esac
done <"$scratch/blocks"
checks_done "printed commands"
