#!/usr/bin/env bash
# The NSIS example of a release bundle, built by makensis against the bundle's
# DLL and run silently, as an installer author would: on a machine where the
# printer's software is installed beside another maker's and the printer is
# attached, its exit code is 0, it logged both answers as 1 (read by the
# System plug-in as the whole of EAX), and only the other maker's software is
# left. Run with /VexloKeep, as an update runs the old version's uninstaller,
# it keeps everything and says so. With the spooler disabled, DeleteALL
# answers 0, the example logs that and exits with 2; an uninstaller made of
# the same macro exits with 2 too when run with _?=, and with 0 at once
# without it.
# usage: nsis_example.sh <bin folder> <bundle folder>, inside a fresh prefix
set -euo pipefail
bin=$(cd "${1:?usage: nsis_example.sh <bin folder> <bundle folder>}" && pwd)
bundle=$(cd "${2:?usage: nsis_example.sh <bin folder> <bundle folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-nsis.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
log='C:\vexlo-removal.log'
unix_log=$WINEPREFIX/drive_c/vexlo-removal.log

source "$(dirname "$0")/../checks.sh"
uninstall() {  # uninstall [switch]: runs the example silently, prints its exit code
    local code=0
    rm -f "$unix_log"
    (cd "$scratch" && wine RemoveVexloPrinter.exe /S "$@" >/dev/null 2>&1) || code=$?
    echo "$code"
}
logged() { tr -d '\r' <"$unix_log" 2>/dev/null | paste -sd '|'; }
holds() {  # holds <removed|installed>: 0 when the machine holds what that says
    local code=0
    (cd "$bin" && wine demo_machine.exe "expect-$1") || code=$?
    echo "$code"
}

(cd "$scratch" && makensis -NOCD -V2 "-DVEXLO_DLL=$bundle/VexloDeletePrinter.dll" "-DVEXLO_LOG_FILE=$log" \
     "$bundle/examples/nsis/RemoveVexloPrinter.nsi")
echo "built RemoveVexloPrinter.exe with makensis $(makensis -VERSION)"

(cd "$bin" && wine demo_machine.exe install attach >/dev/null)
check "/VexloKeep: exit code" 0 "$(uninstall /VexloKeep)"
check "/VexloKeep: log" "Vexlo-420: run with /VexloKeep (an update): the printer's software is kept" "$(logged)"
check "/VexloKeep: all the printer's software kept" 0 "$(holds installed)"
start=$(date +%s)
code=$(uninstall)
echo "the example ran for $(( $(date +%s) - start )) s and logged:"
sed 's/^/    /' "$unix_log" 2>/dev/null || true
check "exit code" 0 "$code"
check "log" "Vexlo-420: IsConnected answered 1|Vexlo-420: removing the printer's software (this takes up to a few minutes)|Vexlo-420: DeleteALL answered 1" \
      "$(logged)"
check "the product's queues, monitor, drivers and packages gone, the other maker's kept" 0 "$(holds removed)"

(cd "$bin" && wine demo_machine.exe install disable-spooler >/dev/null)
code=$(uninstall)
check "spooler disabled: exit code" 2 "$code"
check "spooler disabled: DeleteALL's answer logged" "Vexlo-420: DeleteALL answered 0" \
      "$(tr -d '\r' <"$unix_log" 2>/dev/null | grep -F 'DeleteALL answered' || true)"

# An uninstaller made of the same macro, run as Add/Remove Programs or a
# deployment tool runs it (through cmd, its code read as %ERRORLEVEL%): with
# _?= its code arrives; without, it exits 0 at once while its temporary copy
# goes on and logs DeleteALL's answer later. The spooler is still disabled:
# the removal is short, and its code is 2.
(cd "$scratch" && makensis -NOCD -V2 "-DVEXLO_DLL=$bundle/VexloDeletePrinter.dll" "-DVEXLO_LOG_FILE=$log" \
     "-DVEXLO_NSH=$bundle/examples/nsis/VexloPrinter.nsh" "$(dirname "$0")/installer/uninstaller.nsi" &&
     wine MakeUninstaller.exe /S)
printf '@echo off\r\n%%*\r\necho exit code %%ERRORLEVEL%%\r\n' >"$scratch/code.bat"
code_of() {  # code_of <command...>: its exit code as Windows reports it
    (cd "$scratch" && wine cmd /c code.bat "$@" </dev/null 2>&1) | tr -d '\r' | sed -n 's/^exit code //p' | tail -n1
}
rm -f "$unix_log"
check "uninstaller /S _?=: exit code" 2 "$(code_of 'C:\vexlo-app\uninstall.exe' /S '_?=C:\vexlo-app')"
check "uninstaller /S _?=: DeleteALL's answer logged before it returned" "Vexlo-420: DeleteALL answered 0" \
      "$(tr -d '\r' <"$unix_log" 2>/dev/null | grep -F 'DeleteALL answered' || true)"
rm -f "$unix_log"
check "uninstaller /S without _?=: exit code (the caller's, at once)" 0 "$(code_of 'C:\vexlo-app\uninstall.exe' /S)"
# The prefix's server is kept up, so the copy is waited for by its log line.
for _ in $(seq 120); do grep -qF 'DeleteALL answered' "$unix_log" 2>/dev/null && break; sleep 1; done
check "uninstaller /S without _?=: its copy logged DeleteALL's answer later" "Vexlo-420: DeleteALL answered 0" \
      "$(tr -d '\r' <"$unix_log" 2>/dev/null | grep -F 'DeleteALL answered' || true)"
(cd "$bin" && wine demo_machine.exe enable-spooler >/dev/null)

checks_done "NSIS example"
