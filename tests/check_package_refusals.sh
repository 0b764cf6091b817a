#!/usr/bin/env bash
# scripts/package empties its build folder before it builds, so it must take
# only a folder of its own: in a scratch clone, each folder or option it has
# to refuse is refused with exit status 2, and nothing at all is removed.
# usage: tests/check_package_refusals.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/checks.sh"
scratch=$(mktemp -d /tmp/vexlo-refusals.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
git clone -q "$here" "$scratch/clone"
clone=$scratch/clone
cp "$here/scripts/package" "$clone/scripts/package"  # the one under test, committed or not
mkdir -p "$scratch/elsewhere/keep" "$clone/build/keep"
touch "$scratch/elsewhere/keep/file" "$clone/build/keep/file"
# Every folder handed over lies inside the scratch folder, so that a package
# script that fails this test cannot remove anything outside it.
# Everything there is, with its content, to tell that nothing went.
inventory() { (cd "$scratch" && find . -path ./clone/.git/index -prune -o -print0 | sort -z | xargs -0 ls -ld --time-style=+ |
               awk '{$6=""; print}' | md5sum); }
before=$(inventory)

while IFS='|' read -r what arg; do
    code=0
    (cd "$clone" && scripts/package "$arg" >/dev/null 2>&1 </dev/null) || code=$?
    check "refuses $what: exit status" 2 "$code"
    check "refuses $what: nothing removed" "$before" "$(inventory)"
done <<EOF2
the checkout|$clone
the checkout, relatively|.
a folder holding the checkout|$scratch
a folder holding the checkout, through ..|$clone/build/..
the sources|source
the build folder itself|build
another folder with files|$scratch/elsewhere
an unknown option|--bogus
a short option|-x
EOF2
code=0
(cd "$clone" && scripts/package a b >/dev/null 2>&1) || code=$?
check "refuses two folders: exit status" 2 "$code"
checks_done "package refusals"
