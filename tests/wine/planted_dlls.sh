#!/usr/bin/env bash
# DLL preloading: copies of winspool.drv and setupapi.dll planted beside the
# host program and in its current directory must never be loaded. Wine is
# told to prefer such copies to its own (native before builtin), which is the
# order in which Windows looks for a library that is not a KnownDLL: the
# program's folder first. Each planted copy leaves "<name>.loaded" beside it
# if it is ever mapped, and then refuses to load.
# usage: planted_dlls.sh <bin folder>, inside a prefix tests/wine/run.sh made
set -euo pipefail
bin=$(cd "${1:?usage: planted_dlls.sh <bin folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-planted.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/app" "$scratch/cwd" "$scratch/control-winspool" "$scratch/control-setupapi"
cp "$bin/VexloHost.exe" "$bin/VexloDeletePrinter.dll" "$scratch/app/"
for folder in app cwd; do cp "$bin/planted/winspool.drv" "$bin/planted/setupapi.dll" "$scratch/$folder/"; done
cp "$bin/import_control.exe" "$bin/planted/winspool.drv" "$scratch/control-winspool/"
cp "$bin/import_control.exe" "$bin/planted/setupapi.dll" "$scratch/control-setupapi/"
prefer_planted="winspool.drv,setupapi=n,b;$WINEDLLOVERRIDES"

source "$(dirname "$0")/../checks.sh"
markers() { (cd "$scratch" && find . -iname '*.loaded' | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' '); }
answer() {  # answer <export>: runs the host from the planted folders, prints its exit code
    local code=0
    (cd "$scratch/cwd" && WINEDLLOVERRIDES=$prefer_planted wine ../app/VexloHost.exe "$1" >/dev/null 2>&1) || code=$?
    echo "$code"
}

# The controls: a program that imports winspool.drv or setupapi.dll by name
# takes the planted copy of each, so the test would see a DLL that did the
# same. Without the override's preference it takes Wine's own and runs.
for library in winspool.drv setupapi.dll; do
    folder=control-${library%.*}
    code=0
    (cd "$scratch/$folder" && wine ./import_control.exe >/dev/null 2>&1) || code=$?
    check "control: without the override, the program importing both runs" "0 " "$code $(markers)"
    code=0
    (cd "$scratch/$folder" && WINEDLLOVERRIDES=$prefer_planted wine ./import_control.exe >/dev/null 2>&1) || code=$?
    check "control: with the override, the planted $library is loaded" "./$folder/$library.loaded " "$(markers)"
    check "control: and the program does not start" "nonzero" "$([ "$code" -ne 0 ] && echo nonzero || echo 0)"
    rm -f "$scratch/$folder/"*.loaded
done

(cd "$bin" && wine demo_machine.exe install attach >/dev/null)
check "IsConnected with planted copies beside the host" 1 "$(answer IsConnected)"
check "DeleteALL with planted copies beside the host" 1 "$(answer DeleteALL)"
check "planted copies loaded" "" "$(markers)"
if (cd "$bin" && wine demo_machine.exe expect-removed); then pass "the product's software removed, the other maker's kept"; else
    fail "DeleteALL did not remove the product's software"; fi
(cd "$bin" && wine demo_machine.exe detach >/dev/null)

checks_done "planted_dlls"
