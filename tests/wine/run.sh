#!/usr/bin/env bash
# Runs the cross-compiled test programs under Wine in a throwaway prefix.
# usage: tests/wine/run.sh build/mingw/bin
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
source "$here/scripts/wine-prefix.sh"
wine_prefix_start

failed=()
run() {  # run <label> [env...] <program>
    local label=$1; shift
    echo "== $label"
    if (cd "$bin" && env "$@"); then :; else failed+=("$label"); fi
}

run "presence, code page 1252" wine presence_wine.exe
run "presence, code page 932" LC_ALL=ja_JP.UTF-8 wine presence_wine.exe
run "removal and spooler control" wine removal_wine.exe
run "DeleteALL end to end" wine deleteall_wine.exe
run "IsConnected under load" wine load_wine.exe

if [ ${#failed[@]} -ne 0 ]; then
    echo "Wine tests failed: ${failed[*]}"
    exit 1
fi
echo "Wine tests: all passed"
