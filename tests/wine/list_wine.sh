#!/usr/bin/env bash
# VexloHost list against Wine's spooler, registry and INF folder: with the
# product installed beside another maker's and beside near misses, the JSON
# listing (read by Python's json module) names exactly the product's queues,
# monitor, drivers and packages, and the device entry; names come out as the
# right UTF-8 (a quote, backslashes, double-byte characters under code page
# 932); after DeleteALL it names nothing and exits 0, while the near misses
# and the other maker's software are still there. Every program runs under
# code page 932, in which the queue with double-byte characters has a name
# (under 1252 the spooler's narrow calls would name it with question marks).
# Then, one at a time, a list made unreadable: the listing names it, never
# claims "nothing installed", and exits 5 only when it found nothing.
# usage: list_wine.sh <bin folder> <the process's spooler environment>, in a
#        fresh prefix made by tests/wine/run.sh
set -euo pipefail
bin=$(cd "${1:?usage: list_wine.sh <bin folder> <environment>}" && pwd)
environment=${2:?usage: list_wine.sh <bin folder> <environment>}
source "$(dirname "$0")/../checks.sh"
enum='HKLM\SYSTEM\CurrentControlSet\Services\usbprint\Enum'
in_bin() { (cd "$bin" && env LC_ALL=ja_JP.UTF-8 "$@"); }

# The JSON listing as lines "field=value; value; ..." with each list sorted,
# and the exit code, from a process under code page 932 (and the variables
# given).
list_json() {
    local code=0 json
    json=$(in_bin env "$@" wine VexloHost.exe list --json) || code=$?
    python3 "$(dirname "$0")/listing_summary.py" <<<"$json" || echo "unparsable=$json"
    echo "exit=$code"
}
field() { sed -n "s/^$1=//p" <<<"$2"; }

in_bin wine demo_machine.exe install install-near-misses >/dev/null
in_bin wine demo_machine.exe install-odd-names >/dev/null
wine reg add "$enum" /v Count /t REG_DWORD /d 2 /f >/dev/null
wine reg add "$enum" /v 0 /t REG_SZ /d 'USB\VID_1234&PID_0001\1' /f >/dev/null
wine reg add "$enum" /v 1 /t REG_SZ /d 'USB\VID_F0E1&PID_0420\5&"Q"&2' /f >/dev/null

listed=$(list_json)
check "installed: exit code" 1 "$(field exit "$listed")"
check "installed: attached" true "$(field attached "$listed")"
check "installed: device entries" 'USB\VID_F0E1&PID_0420\5&"Q"&2' "$(field deviceEntries "$listed")"
check "installed: queues" \
      "Vexlo \"Q\" 1|Vexlo-420 LABEL|$environment; Vexlo Label G|Vexlo-420G LABEL|$environment; Vexlo Label|Vexlo-420 LABEL|$environment; Vexlo 表ラベル|Vexlo-420 LABEL|$environment" \
      "$(field queues "$listed")"
check "installed: monitors" "VexloLM" "$(field monitors "$listed")"
check "installed: drivers" "Vexlo-420 LABEL|$environment; Vexlo-420G LABEL|$environment" "$(field drivers "$listed")"
check "installed: packages" "oem21.inf|Printer|01/01/2024,1.0.0.0" "$(field packages "$listed")"
check "installed: nothing unparsable" "" "$(field unparsable "$listed")"
table=$(in_bin wine VexloHost.exe list | tr -d '\r' || true)
check "installed: the table's last line" \
      "The Vexlo-420 printer's software is installed: 4 queue(s), 1 monitor(s), 2 driver(s), 1 package(s)." \
      "$(tail -n1 <<<"$table")"

check "installed: complete" "true; " "$(field complete "$listed"); $(field unread "$listed")"

# <what> <exit code> <the lists named unread> <the first reason's start> [variables]
unread_row() {
    local what=$1 code=$2 lists=$3 reason=$4
    shift 4
    listed=$(list_json "$@")
    check "$what: exit code" "$code" "$(field exit "$listed")"
    check "$what: complete" false "$(field complete "$listed")"
    check "$what: unread" "$lists" "$(field unread "$listed")"
    check "$what: the reason" "$reason" "$(field reasons "$listed" | cut -c1-${#reason})"
}
# Issue's first measure: the spooler's and the setup library both missing,
# with the product installed: nothing can be seen but the device entry.
unread_row "winspool.drv and setupapi.dll not loaded" 5 "drivers; monitors; packages; queues" \
    "LoadLibraryExA(" WINEDLLOVERRIDES=winspool.drv,setupapi=d
table=$(in_bin env WINEDLLOVERRIDES=winspool.drv,setupapi=d wine VexloHost.exe list | tr -d '\r' || true)
check "winspool.drv and setupapi.dll not loaded: the table's last line" \
      "None of the Vexlo-420 printer's software was found, but the listing is incomplete: what could not be read is named above." \
      "$(tail -n1 <<<"$table")"
check "winspool.drv and setupapi.dll not loaded: the table names the unread packages" \
      "unread     packages: LoadLibraryExA(setupapi.dll) failed: error 126" "$(grep '^unread     packages' <<<"$table")"
unread_row "winspool.drv not loaded" 1 "drivers; monitors; queues" "LoadLibraryExA(winspool.drv) failed: error 126" \
    WINEDLLOVERRIDES=winspool.drv=d
unread_row "setupapi.dll not loaded" 1 "packages" "LoadLibraryExA(setupapi.dll) failed: error 126" \
    WINEDLLOVERRIDES=setupapi=d
# The INF folder made a file: no folder to search.
inf=$WINEPREFIX/drive_c/windows/inf
mv "$inf" "$inf.aside" && touch "$inf"
unread_row "the INF folder unreadable" 1 "packages" "FindFirstFileA(C:\\windows\\inf\\oem*.inf) failed"
rm "$inf" && mv "$inf.aside" "$inf"
# A count of eight bytes is no count.
wine reg add "$enum" /v Count /t REG_BINARY /d 0200000000000000 /f >/dev/null
unread_row "the device list unreadable" 1 "deviceEntries" "RegQueryValueExA(Count) failed: error 234"
check "the device list unreadable: attached" null "$(field attached "$listed")"
table=$(in_bin wine VexloHost.exe list | tr -d '\r' || true)
check "the device list unreadable: the table" "attached   unknown" "$(grep '^attached' <<<"$table")"
wine reg add "$enum" /v Count /t REG_DWORD /d 2 /f >/dev/null

answer=$(in_bin wine VexloHost.exe DeleteALL 2>/dev/null | tr -d '\r' || true)
check "DeleteALL" "DeleteALL = 1" "$answer"

listed=$(list_json)
check "after DeleteALL: exit code" 0 "$(field exit "$listed")"
for list in queues monitors drivers packages; do check "after DeleteALL: $list" "" "$(field "$list" "$listed")"; done
check "after DeleteALL: the spooler" running "$(field spooler "$listed")"
table=$(in_bin wine VexloHost.exe list | tr -d '\r' || true)
check "after DeleteALL: the table's last line" "None of the Vexlo-420 printer's software is installed." \
      "$(tail -n1 <<<"$table")"
# A package left behind, as a removal cut short leaves it.
printf '[Version]\r\nSignature="$Windows NT$"\r\nClass=Printer\r\nProvider=Vexlo\r\nDriverVer=01/01/2024,1.0.0.0\r\n' \
    >"$inf/oem24.inf"
listed=$(list_json)
check "only a package left: exit code" 1 "$(field exit "$listed")"
check "only a package left: packages" "oem24.inf|Printer|01/01/2024,1.0.0.0" "$(field packages "$listed")"
unread_row "only a package left, setupapi.dll not loaded" 5 "packages" "LoadLibraryExA(setupapi.dll)" \
    WINEDLLOVERRIDES=setupapi=d
rm "$inf/oem24.inf"

left=$(in_bin wine demo_machine.exe list | tr -d '\r')
check "after DeleteALL: queues whose name starts with Vexlo" "" "$(grep '^  queue    Vexlo' <<<"$left" || true)"
for kept in "queue    Lower" "queue    Office" "monitor  AcmeLM" "package  oem22.inf" "package  oem23.inf"; do
    if grep -qF "$kept" <<<"$left"; then pass "kept: $kept"; else fail "after DeleteALL: expected to keep $kept"; fi
done
[ -f "$WINEPREFIX/drive_c/windows/inf/vexlo.inf" ] && pass "kept: vexlo.inf" || fail "after DeleteALL: vexlo.inf gone"

checks_done "list_wine"
