#!/usr/bin/env bash
# The commands of docs/deploying.md, taken from the page itself, run the way
# deployment tools run them: from a batch file through cmd /c, silent, with
# no console input; each exit code compared with the one the page gives.
# Each command is preceded on the page by "<!-- test: <machine> <exit code> -->",
# the machine it is run on:
#   msi-installed      the test package vexlo_v1.msi installed, the printer's
#                      software there, a stand-in spooler with short waits
#   msi-spooler-stops  the same, with a spooler that disables itself at its
#                      second stop
#   installed          the printer's software there (no package)
#   removed            as the command before left it
#   spooler-disabled   the printer's software there, the spooler disabled
# {ProductCode} is replaced by the test package's product code.
# usage: deploying_wine.sh <bin folder>, in a fresh prefix made by tests/wine/run.sh
set -euo pipefail
bin=$(cd "${1:?usage: deploying_wine.sh <bin folder>}" && pwd)
page=$(dirname "$0")/../../docs/deploying.md
source "$(dirname "$0")/../checks.sh"
in_bin() { (cd "$bin" && "$@"); }

product_code=$(msiinfo export "$bin/vexlo_v1.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
[ -n "$product_code" ] || { echo "deploying_wine.sh: no ProductCode in vexlo_v1.msi" >&2; exit 1; }

# Runs one command as a tool does; prints its exit code as Windows reports it.
run_as_a_tool() {
    printf '@echo off\r\n%s\r\necho exit code %%ERRORLEVEL%%\r\n' "$1" >"$bin/deploy_step.bat"
    in_bin wine cmd /c deploy_step.bat </dev/null >"$bin/deploy_step.out" 2>&1 || true
    tr -d '\r' <"$bin/deploy_step.out" | sed -n 's/^exit code //p' | tail -n1
}
install_package() { run_as_a_tool "msiexec /i vexlo_v1.msi /qn" >/dev/null; }
machine() {
    case "$1" in
        msi-installed) in_bin wine demo_machine.exe install fast-spooler >/dev/null; install_package ;;
        msi-spooler-stops) in_bin wine demo_machine.exe install spooler-disabling-itself >/dev/null; install_package ;;
        installed) in_bin wine demo_machine.exe install fast-spooler >/dev/null ;;
        removed) ;;
        spooler-disabled) in_bin wine demo_machine.exe install disable-spooler >/dev/null ;;
        *) echo "deploying_wine.sh: no machine named '$1'" >&2; return 1 ;;
    esac
}
restore() {  # the spooler back to Wine's own, enabled
    in_bin wine demo_machine.exe enable-spooler wine-spooler >/dev/null
}

# "<machine> <exit code>\t<command>" for each command the page marks.
commands=$(awk '
    /^<!-- test: / { test = $3 " " $4; next }
    test != "" && /^```bat/ { inside = 1; next }
    inside && /^```/ { inside = 0; test = ""; next }
    inside { print test "\t" $0 }
' "$page")
[ -n "$commands" ] || { echo "deploying_wine.sh: no commands found in $page" >&2; exit 1; }
while IFS=$'\t' read -r what command; do
    read -r setup want <<<"$what"
    command=${command//\{ProductCode\}/$product_code}
    machine "$setup"
    start=$SECONDS
    got=$(run_as_a_tool "$command")
    echo "-- $setup: $command: exit code $got, $((SECONDS - start)) s"
    check "$setup: $command: exit code" "$want" "$got"
    restore
done <<<"$commands"
rm -f "$bin/deploy_step.bat" "$bin/deploy_step.out"
checks_done "deploying"
