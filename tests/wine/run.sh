#!/usr/bin/env bash
# Runs the cross-compiled test programs under Wine in throwaway prefixes: a
# 32-bit one, then a 64-bit one for the DLL under WOW64; given a release
# bundle, its NSIS example in a 32-bit one of its own.
# usage: tests/wine/run.sh build/mingw/bin [dist/VexloDeletePrinter-<version>]
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder> [bundle folder]}" && pwd)
bundle=${2:+$(cd "$2" && pwd)}
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
run "heap blocks left by a call, each call failed once" wine heap_balance_wine.exe
run "IsConnected under load" wine load_wine.exe
run "version resources" wine version_wine.exe

run "public header from C, import library" wine header_check.exe
run "planted winspool.drv and setupapi.dll" "$here/tests/wine/planted_dlls.sh" "$bin"

# The host's exit codes: the answer, or why there is none.
expect_exit() {  # expect_exit <code> <args...>
    local want=$1; shift
    local got=0
    (cd "$bin" && wine VexloHost.exe "$@" >/dev/null 2>&1) || got=$?
    if [ "$got" -eq "$want" ]; then echo "ok: VexloHost $* exits $got"; else
        echo "FAILED: VexloHost $*: expected exit $want, got $got"; failed+=("VexloHost $*"); fi
}
echo "== VexloHost"
expect_exit 0 IsConnected
expect_exit 0 IsConnected VexloDeletePrinter.dll --ordinal
expect_exit 2 Bogus
expect_exit 2
expect_exit 3 IsConnected no_such.dll
expect_exit 4 IsConnected header_check.exe
expect_exit 0 --help
expect_exit 2 IsConnected --version
# --version reads both version resources: the one of the DLL it loads, and
# its own.
version=$(cat "$bin/../VERSION")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] && version=$version.0
printed=$( (cd "$bin" && wine VexloHost.exe --version 2>&1) | tr -d '\r' | sed 's/ (.*//' | paste -sd '|')
if [ "$printed" = "VexloDeletePrinter.dll $version|VexloHost.exe $version" ]; then echo "ok: VexloHost --version: $printed"; else
    echo "FAILED: VexloHost --version: expected both at $version, got [$printed]"; failures+=("VexloHost --version"); fi

# Around DeleteALL the host talks on standard error only: standard output is
# the answer line alone. (A disabled spooler makes the call short: answer 0.)
(cd "$bin" && wine demo_machine.exe disable-spooler >/dev/null)
errors=$(mktemp)
printed=$( (cd "$bin" && wine VexloHost.exe DeleteALL 2>"$errors") | tr -d '\r' || true)
said=$(tr -d '\r' <"$errors" | sed 's/[0-9][0-9.]* s$/N s/' | paste -sd '|')
rm -f "$errors"
(cd "$bin" && wine demo_machine.exe enable-spooler >/dev/null)
if [ "$printed" = "DeleteALL = 0" ] && [[ "$said" == "VexloHost: removing the Vexlo-420 printer's software;"*"|VexloHost: DeleteALL took N s" ]]; then
    echo "ok: VexloHost DeleteALL: standard output [$printed], standard error [$said]"; else
    echo "FAILED: VexloHost DeleteALL: standard output [$printed], standard error [$said]"; failures+=("VexloHost DeleteALL"); fi

if [ -n "$bundle" ]; then
    echo "== the release bundle's NSIS example, in a fresh prefix"
    wine_prefix_start
    run "NSIS example" "$here/tests/wine/nsis_example.sh" "$bin" "$bundle"
fi

echo "== a 64-bit prefix"
wine_prefix_start win64
run "DeleteALL and IsConnected under WOW64" wine deleteall_wow64.exe

if [ ${#failed[@]} -ne 0 ]; then
    echo "Wine tests failed: ${failed[*]}"
    exit 1
fi
echo "Wine tests: all passed"
