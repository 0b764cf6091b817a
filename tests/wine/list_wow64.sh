#!/usr/bin/env bash
# VexloHost list, the 32-bit host under WOW64, after a 64-bit program
# installed the printer's software with its drivers for "Windows x64" only:
# the queues are judged by their drivers for the machine's own environment,
# and those drivers are listed, as DeleteALL deletes them there.
# usage: list_wow64.sh <32-bit bin folder>, in a fresh 64-bit prefix made by
#        tests/wine/run.sh
set -euo pipefail
bin=$(cd "${1:?usage: list_wow64.sh <32-bit bin folder>}" && pwd)
source "$(dirname "$0")/../checks.sh"
field() { sed -n "s/^$1=//p" <<<"$2"; }

(cd "$bin" && wine demo_machine64.exe install attach start-spooler >/dev/null)
code=0
json=$(cd "$bin" && wine VexloHost.exe list --json) || code=$?
listed=$(python3 "$(dirname "$0")/listing_summary.py" <<<"$json" || echo "unparsable=$json")
check "exit code" 1 "$code"
check "queues" "Vexlo Label G|Vexlo-420G LABEL|Windows x64; Vexlo Label|Vexlo-420 LABEL|Windows x64" \
      "$(field queues "$listed")"
check "drivers" "Vexlo-420 LABEL|Windows x64; Vexlo-420G LABEL|Windows x64" "$(field drivers "$listed")"
check "monitors" "VexloLM" "$(field monitors "$listed")"
check "packages" "oem21.inf|Printer|01/01/2024,1.0.0.0" "$(field packages "$listed")"
check "nothing unparsable" "" "$(field unparsable "$listed")"
checks_done "list_wow64"
