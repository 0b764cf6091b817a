#!/usr/bin/env bash
# The commands a bundle's README.txt prints run as printed: every line whose
# text begins with "$ " is one, run in bash from the root of a copy of the
# bundle (where the README says to run them), and must exit 0. A README
# that prints none fails: the convention itself would have been lost.
# usage: tests/check_printed_commands.sh <bundle folder>
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
bundle=$(cd "${1:?usage: tests/check_printed_commands.sh <bundle folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-commands.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

mapfile -t commands < <(tr -d '\r' <"$bundle/README.txt" | sed -n 's/^[[:space:]]*\$ //p')
[ "${#commands[@]}" -gt 0 ] || fail "$bundle/README.txt prints no command (no line that begins with \"\$ \")"
for command in "${commands[@]}"; do
    rm -rf "$scratch/bundle"
    cp -a "$bundle" "$scratch/bundle"
    code=0
    (cd "$scratch/bundle" && timeout 300 bash -c "$command" >"$scratch/said" 2>&1 </dev/null) || code=$?
    check "README.txt, from the bundle's root: $command: exit status" 0 "$code"
    [ "$code" -eq 0 ] || tail -n 5 "$scratch/said"
done
checks_done "printed commands"
