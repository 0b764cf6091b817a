#!/usr/bin/env bash
# DLL preloading: copies of winspool.drv and setupapi.dll planted beside the
# host program and in its current directory must never be loaded. Wine is
# told to prefer such copies to its own (native before builtin), which is the
# order in which Windows looks for a library that is not a KnownDLL: the
# program's folder first. Each planted copy leaves "<name>.loaded" beside it
# if it is ever mapped, and then refuses to load. version.dll is planted
# only for the control: Wine's own user32.dll imports it (Windows' does not),
# so under Wine every program that uses user32, the host included, would map
# a copy beside it whatever the host imports. That the host imports no
# version.dll is held by tests/check_pe_tables.sh instead.
# usage: planted_dlls.sh <bin folder>, inside a prefix tests/wine/run.sh made
set -euo pipefail
bin=$(cd "${1:?usage: planted_dlls.sh <bin folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-planted.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
libraries=(winspool.drv setupapi.dll version.dll)
mkdir "$scratch/app" "$scratch/cwd"
cp "$bin/VexloHost.exe" "$bin/VexloDeletePrinter.dll" "$scratch/app/"
for library in "${libraries[@]}"; do
    [ "$library" = version.dll ] || for folder in app cwd; do cp "$bin/planted/$library" "$scratch/$folder/"; done
    mkdir "$scratch/control-${library%.*}"
    cp "$bin/import_control.exe" "$bin/planted/$library" "$scratch/control-${library%.*}/"
done
prefer_planted="winspool.drv,setupapi,version=n,b;$WINEDLLOVERRIDES"

source "$(dirname "$0")/../checks.sh"
markers() { (cd "$scratch" && find . -iname '*.loaded' | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' '); }
answer() {  # answer <arguments...>: runs the host from the planted folders, prints its exit code
    local code=0
    (cd "$scratch/cwd" && WINEDLLOVERRIDES=$prefer_planted wine ../app/VexloHost.exe "$@" >/dev/null 2>&1) || code=$?
    echo "$code"
}

# The controls: a program that imports winspool.drv, setupapi.dll or
# version.dll by name takes the planted copy of each, so the test would see
# a DLL or a host that did the same. Without the override's preference it
# takes Wine's own and runs.
for library in "${libraries[@]}"; do
    folder=control-${library%.*}
    code=0
    (cd "$scratch/$folder" && wine ./import_control.exe >/dev/null 2>&1) || code=$?
    check "control: without the override, the program importing all three runs" "0 " "$code $(markers)"
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
