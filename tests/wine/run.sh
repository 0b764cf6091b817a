#!/usr/bin/env bash
# Runs the cross-compiled test programs under Wine in throwaway prefixes.
#   32: the 32-bit build in a 32-bit prefix; given a release bundle, its NSIS
#       example in a 32-bit prefix of its own; then the 32-bit DLL under WOW64
#       in a 64-bit prefix. Where the machine cannot run 32-bit programs, all
#       of it in the emulated machine of scripts/guest; skipped, each by name
#       with the reason, under VEXLO_NO_EMULATION=1.
#   64: the 64-bit build in a 64-bit prefix, by the 64-bit Wine alone; given
#       a release bundle, its WiX example, built by wixl, in a prefix of its own.
# Each program's outcome is recorded; the last line sums them up.
# usage: tests/wine/run.sh <32|64> <bin folder> [bundle folder]
set -euo pipefail
trap 'echo "tests/wine/run.sh: stopped: \"$BASH_COMMAND\" failed (exit status $?)" >&2' ERR
usage="usage: tests/wine/run.sh <32|64> <bin folder> [bundle folder]"
bits=${1:?$usage}
[ "$bits" = 32 ] || [ "$bits" = 64 ] || { echo "$usage" >&2; exit 2; }
bin=$(cd "${2:?$usage}" && pwd)
bundle=${3:+$(cd "$3" && pwd)}
here=$(cd "$(dirname "$0")/../.." && pwd)
source "$here/scripts/wine-prefix.sh"
source "$here/tests/stages.sh"

in_bin() { cd "$bin" && "$@"; }
# The spooler environment of the build's own processes.
if [ "$bits" = 64 ]; then environment="Windows x64"; else environment="Windows NT x86"; fi
# The versions as scripts/version states them for this checkout ("file
# X.Y.Z.N product TEXT"), read here rather than taken from the build, so that
# a wrong conversion in the build shows; in the emulated machine, from the
# runner that started it.
VEXLO_EXPECTED_VERSION=${VEXLO_EXPECTED_VERSION:-$("$here/scripts/version" 2>/dev/null | paste -sd ' ')}
read -r _ file_version _ product_version <<<"$VEXLO_EXPECTED_VERSION"

# The host's exit codes, what it says of an argument it refuses, its
# --version, and standard output kept to the answer line around DeleteALL.
host_checks() {
    source "$here/tests/checks.sh"
    local want got args said first
    said=$(mktemp /tmp/vexlo-host.XXXXXX)
    # <exit code> <its first line, _ for each space; - for any> <arguments>
    while read -r want first args; do
        got=0
        # shellcheck disable=SC2086
        (cd "$bin" && wine VexloHost.exe $args >"$said" 2>&1 </dev/null) || got=$?
        check "VexloHost $args: exit code" "$want" "$got"
        [ "$first" = - ] || check "VexloHost $args: first line" "${first//_/ }" "$(tr -d '\r' <"$said" | head -n1)"
    done <<'EOF'
0 - IsConnected
0 IsConnected_(by_ordinal)_=_0 IsConnected VexloDeletePrinter.dll --ordinal
0 IsConnected_(by_ordinal)_=_0 --ordinal IsConnected
2 VexloHost:_unknown_command_'Bogus' Bogus
2 usage:_VexloHost_IsConnected|DeleteALL_[path\to\VexloDeletePrinter.dll]_[--ordinal]
3 - IsConnected no_such.dll
4 - IsConnected header_check.exe
0 usage:_VexloHost_IsConnected|DeleteALL_[path\to\VexloDeletePrinter.dll]_[--ordinal] --help
0 usage:_VexloHost_list_[--json] list --help
0 usage:_VexloHost_DeleteALL_[path\to\VexloDeletePrinter.dll]_[--ordinal] DeleteALL /?
0 - IsConnected --version
0 - --version IsConnected
3 - --version no_such.dll
3 - no_such.dll --version
2 VexloHost:_unexpected_argument_'extra' IsConnected VexloDeletePrinter.dll extra
2 VexloHost:_unexpected_argument_'extra' list --json extra
2 VexloHost:_unexpected_argument_'extra' --version VexloDeletePrinter.dll extra
2 VexloHost:_unexpected_option_'--ordinal' list --ordinal
2 VexloHost:_unexpected_option_'--json' IsConnected --json
2 VexloHost:_unknown_option_'--bogus' IsConnected --bogus
0 IsConnected_(by_ordinal)_=_0 isconnected --ORDINAL
0 usage:_VexloHost_remove_[--log_FILE] REMOVE --Help
2 VexloHost:_unexpected_argument_'extra' remove extra
2 VexloHost:_no_file_after_'--log' remove --log
2 VexloHost:_unexpected_option_'--log' list --log x.txt
EOF
    rm -f "$said"
    # --version reads both version resources: the one of the DLL it loads,
    # and its own.
    local version printed said errors
    version=$file_version
    printed=$( (cd "$bin" && wine VexloHost.exe --version 2>&1) | tr -d '\r' | sed 's/ (.*//' | paste -sd '|')
    check "VexloHost --version" "VexloDeletePrinter.dll $version|VexloHost.exe $version" "$printed"
    # Errors by name, as the installer's log gives them.
    printed=$( (cd "$bin" && wine VexloHost.exe IsConnected no_such.dll 2>&1) | tr -d '\r' | head -n1 || true)
    check "VexloHost IsConnected no_such.dll: the error" "VexloHost: cannot load no_such.dll (error 126 ERROR_MOD_NOT_FOUND)" "$printed"
    # Its own version even where the DLL cannot be loaded.
    printed=$( (cd "$bin" && wine VexloHost.exe --version no_such.dll 2>/dev/null) | tr -d '\r' | sed 's/ (.*//' || true)
    check "VexloHost --version no_such.dll: its own version" "VexloHost.exe $version" "$printed"

    # Around DeleteALL the host talks on standard error only: standard output
    # is the answer line alone. (A disabled spooler makes the call short.)
    (cd "$bin" && wine demo_machine.exe disable-spooler >/dev/null)
    errors=$(mktemp)
    printed=$( (cd "$bin" && wine VexloHost.exe DeleteALL 2>"$errors") | tr -d '\r' || true)
    said=$(tr -d '\r' <"$errors" | sed 's/[0-9][0-9.]* s$/N s/' | paste -sd '|')
    rm -f "$errors"
    (cd "$bin" && wine demo_machine.exe enable-spooler >/dev/null)
    check "VexloHost DeleteALL: standard output" "DeleteALL = 0" "$printed"
    check "VexloHost DeleteALL: standard error" "VexloHost: removing the Vexlo-420 printer's software; the print spooler is stopped and started twice, this takes up to a few minutes...|VexloHost: DeleteALL took N s" "$said"
    checks_done "VexloHost"
}

# VexloHost remove: each exit code it documents that a Wine prefix can show
# (9, not run as an administrator, cannot: Wine's user always is one), with
# the stand-in spooler's short waits where the real one is not the point.
remove_checks() {
    source "$here/tests/checks.sh"
    local out=$bin/remove.out code
    remove() {  # remove <args>: prints the exit code; the output in $out
        code=0
        (cd "$bin" && wine cmd /c VexloHost.exe remove "$@" >"$out" 2>&1 </dev/null) || code=$?
        echo "$code"
    }
    last() { tr -d '\r' <"$out" | tail -n1; }
    show_run() { echo "-- VexloHost remove: $1 (exit code $2)"; tr -d '\r' <"$out" | sed 's/^/   /'; }

    in_bin wine demo_machine.exe disable-spooler >/dev/null
    check "remove, spooler disabled: exit code" 7 "$(remove)"
    check "remove, spooler disabled: the last line" "the Vexlo-420 printer's software was left in place from \"Stopping and starting the print spooler...\" on (only what is listed above as removed was removed); the removal needs a print spooler that can be stopped and started" "$(last)"
    show_run "spooler disabled" 7
    in_bin wine demo_machine.exe enable-spooler >/dev/null

    # A driver package the removal cannot delete: removed, with one refusal.
    in_bin wine demo_machine.exe install fast-spooler >/dev/null
    in_bin wine cmd /c attrib +r 'C:\windows\inf\oem21.inf' >/dev/null
    check "remove, an INF read-only: exit code" 6 "$(remove)"
    check "remove, an INF read-only: the last line" "the Vexlo-420 printer's software was removed with 1 refusal: driver package \"oem21.inf\" (error 5 ERROR_ACCESS_DENIED)" "$(last)"
    show_run "an INF read-only" 6
    in_bin wine cmd /c attrib -r 'C:\windows\inf\oem21.inf' >/dev/null

    rm -f "$bin/remove.log"
    check "remove, the rest: exit code" 0 "$(remove --LOG remove.log)"
    check "remove, the rest: the last line" "the Vexlo-420 printer's software was removed" "$(last)"
    check "remove, the rest: --log holds what it printed" "$(tr -d '\r' <"$out")" "$(tr -d '\r' <"$bin/remove.log" 2>&1)"
    show_run "the rest" 0
    if in_bin wine demo_machine.exe expect-removed >/dev/null; then pass "remove: the product gone, the other maker's kept"
    else fail "remove: expected the product gone, the other maker's kept"; fi

    # A spooler that disables itself at its second stop: the removal's second
    # cycle cannot start it, nor can the second try.
    in_bin wine demo_machine.exe install spooler-disabling-itself >/dev/null
    check "remove, the spooler left stopped: exit code" 8 "$(remove)"
    check "remove, the spooler left stopped: the last line" "the print spooler is stopped: StartServiceA failed with error 1058 ERROR_SERVICE_DISABLED at the second try too" "$(last | sed 's/, so nothing.*//')"
    show_run "the spooler left stopped" 8
    in_bin wine demo_machine.exe enable-spooler wine-spooler >/dev/null
    rm -f "$out" "$bin/remove.log"
    checks_done "VexloHost remove"
}

# Each bare loop made to count one more: every row fails, saying what each
# found, and so does the run.
scale_bench_mismatch() {
    source "$here/tests/checks.sh"
    local said code=0
    said=$(in_bin wine scale_bench.exe 10 --smoke --skew-bare) || code=$?
    check "a count that differs: exit status" 1 "$code"
    check "a count that differs: rows that say what each found" 4 \
          "$(grep -cE 'FAILED: expected [0-9]+, the library found [0-9]+, the bare loop [0-9]+' <<<"$said")"
    checks_done "scale benchmark, a count that differs"
}

# The tests of one build in one prefix, the same for both builds.
tests_in_prefix=(
    "VexloHost list"
    "VexloHost list and DeleteALL, queues refusing rights"
    "presence, code page 1252"
    "presence, code page 932"
    "removal and spooler control"
    "DeleteALL end to end"
    "heap blocks left by a call, each call failed once"
    "IsConnected under load"
    "version resources"
    "public header from C, import library"
    "import library from the MSVC ABI, lld-link at its defaults"
    "planted winspool.drv and setupapi.dll"
    "VexloHost"
    "VexloHost remove"
    "Windows Installer packages, custom actions"
    "the scale benchmark still runs (N = 10, once)"
    "the scale benchmark fails when a count differs"
)
# The fleet page's commands need msiinfo, on this machine only: the 64-bit run.
[ "$bits" = 32 ] || tests_in_prefix+=("fleet removal: the commands of docs/deploying.md")
# The caller linked as Visual Studio links (tests/wine/msvc_caller.c) answers
# what VexloHost answers in the same prefix: its exit code is 40 + the answer.
msvc_caller() {
    source "$here/tests/checks.sh"
    local host=0 caller=0
    (cd "$bin" && wine VexloHost.exe IsConnected >/dev/null 2>&1 </dev/null) || host=$?
    (cd "$bin" && wine msvc_caller.exe >/dev/null 2>&1 </dev/null) || caller=$?
    check "msvc_caller.exe: exit code, 40 + IsConnected's answer as VexloHost gives it ($host)" \
          "$((40 + host))" "$caller"
    checks_done "MSVC-ABI caller"
}
run_in_prefix() {  # run_in_prefix <label> <what the prefix is>
    local label=$1
    case "$2" in
        "VexloHost list") "$here/tests/wine/list_wine.sh" "$bin" "$environment" ;;
        "VexloHost list and DeleteALL, queues refusing rights") in_bin wine listing_rights_wine.exe ;;
        "presence, code page 1252") in_bin wine presence_wine.exe 1252 ;;
        "presence, code page 932") in_bin env LC_ALL=ja_JP.UTF-8 wine presence_wine.exe 932 ;;
        "removal and spooler control") in_bin wine removal_wine.exe ;;
        "DeleteALL end to end") in_bin wine deleteall_wine.exe ;;
        "heap blocks left by a call, each call failed once") in_bin wine heap_balance_wine.exe ;;
        "IsConnected under load") in_bin wine load_wine.exe ;;
        "version resources") in_bin wine version_wine.exe "$file_version" "$product_version" ;;
        "public header from C, import library") in_bin wine header_check.exe ;;
        "import library from the MSVC ABI, lld-link at its defaults") msvc_caller ;;
        "planted winspool.drv and setupapi.dll") "$here/tests/wine/planted_dlls.sh" "$bin" ;;
        "VexloHost") host_checks ;;
        "VexloHost remove") remove_checks ;;
        "fleet removal: the commands of docs/deploying.md") "$here/tests/wine/deploying_wine.sh" "$bin" ;;
        "Windows Installer packages, custom actions") "$here/tests/wine/installer_wine.sh" "$bin" ;;
        "the scale benchmark still runs (N = 10, once)") in_bin wine scale_bench.exe 10 --smoke ;;
        "the scale benchmark fails when a count differs") scale_bench_mismatch ;;
        *) echo "run.sh: no test named '$2' (label $label)"; return 1 ;;
    esac
}

# One prefix and the tests in it: when the prefix cannot be had, that fails
# and its tests are skipped with the reason.
in_prefix() {  # in_prefix <label> <win32|win64> <test names...>
    local label=$1 arch=$2 name
    shift 2
    if ! wine_prefix_start "$arch"; then
        printf 'failed\t%s: a fresh %s prefix\n' "$label" "$arch" >>"$VEXLO_RESULTS"
        for name in "$@"; do skip "$label: $name" "the $arch prefix did not boot"; done
        return
    fi
    for name in "$@"; do stage "$label: $name" run_in_prefix "$label" "$name"; done
}

nsis_example() { "$here/tests/wine/nsis_example.sh" "$bin" "$bundle"; }
wix_example() { "$here/tests/wine/wix_example.sh" "$bin" "$bundle"; }
wow64_list() { "$here/tests/wine/list_wow64.sh" "$bin"; }
wow64() { in_bin wine deleteall_wow64.exe; }
wow64_installer() { "$here/tests/wine/installer_wine.sh" "$bin"; }

skip_32bit() {  # skip_32bit <reason>: each 32-bit run by name
    local name
    for name in "${tests_in_prefix[@]}"; do skip "32-bit DLL: $name" "$1"; done
    [ -z "$bundle" ] || skip "32-bit DLL: the release bundle's NSIS example" "$1"
    skip "32-bit DLL under WOW64: VexloHost list" "$1"
    skip "32-bit DLL under WOW64: DeleteALL and IsConnected" "$1"
    skip "32-bit DLL under WOW64: Windows Installer packages, custom actions" "$1"
}

# Where this kernel runs no 32-bit code, this same runner runs the 32-bit
# part in the emulated machine of scripts/guest, one boot for all of it,
# recording into a results file shared with it.
in_emulated_machine() {
    local shared code=0 what start=$SECONDS
    shared=$(mktemp -d /tmp/vexlo-guest-results.XXXXXX)
    echo "== the 32-bit runs, in the emulated machine (scripts/guest)"
    "$here/scripts/guest" run --share "$bin" ${bundle:+--share "$bundle"} --share "$shared" \
        --env "VEXLO_RESULTS=$shared/results" --env "CI=${CI:-}" \
        --env "VEXLO_EXPECTED_VERSION=$VEXLO_EXPECTED_VERSION" -- \
        "$here/tests/wine/run.sh" 32 "$bin" ${bundle:+"$bundle"} || code=$?
    echo "-- the 32-bit runs in the emulated machine: $((SECONDS - start)) s in all, its boot and prefixes included"
    cat "$shared/results" >>"$VEXLO_RESULTS" 2>/dev/null || true
    rm -rf "$shared"
    case "$code" in
        0) return ;;
        124) what="ran out of time" ;;
        125) what="did not boot, or stopped before the runs ended (its console, above)" ;;
        *) what="stopped early (exit status $code)" ;;
    esac
    echo "FAILED: the 32-bit Wine runs in the emulated machine $what"
    printf 'failed\t%s\n' "the 32-bit Wine runs in the emulated machine $what" >>"$VEXLO_RESULTS"
}

if [ "$bits" = 64 ]; then
    in_prefix "64-bit DLL" win64 "${tests_in_prefix[@]}"
    if [ -n "$bundle" ]; then
        if wine_prefix_start win64; then stage "64-bit DLL: the release bundle's WiX example" wix_example; else
            printf 'failed\t%s\n' "64-bit DLL: a fresh win64 prefix for the WiX example" >>"$VEXLO_RESULTS"; fi
    fi
elif [ -n "$wine_32bit" ]; then
    in_prefix "32-bit DLL" win32 "${tests_in_prefix[@]}"
    if [ -n "$bundle" ]; then
        if wine_prefix_start win32; then stage "32-bit DLL: the release bundle's NSIS example" nsis_example; else
            printf 'failed\t%s\n' "32-bit DLL: a fresh win32 prefix for the NSIS example" >>"$VEXLO_RESULTS"; fi
    fi
    if wine_prefix_start win64; then
        stage "32-bit DLL under WOW64: VexloHost list" wow64_list
        stage "32-bit DLL under WOW64: DeleteALL and IsConnected" wow64
        stage "32-bit DLL under WOW64: Windows Installer packages, custom actions" wow64_installer
    else
        printf 'failed\t%s\n' "32-bit DLL under WOW64: a fresh win64 prefix" >>"$VEXLO_RESULTS"; fi
elif [ -n "${VEXLO_IN_GUEST:-}" ]; then
    skip_32bit "the emulated machine cannot run 32-bit programs either"
elif [ "${VEXLO_NO_EMULATION:-}" = 1 ]; then
    skip_32bit "this machine cannot run 32-bit programs (see scripts/setup), and VEXLO_NO_EMULATION=1 asks for no emulated machine that can"
else
    in_emulated_machine
fi
wine_prefix_stop
stages_summary
