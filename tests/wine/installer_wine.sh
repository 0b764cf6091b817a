#!/usr/bin/env bash
# The custom actions in Windows Installer packages built by wixl from the
# drop-in VexloPrinter.wxi (tests/wine/installer/package.wxs, versions 1.0.0
# and 2.0.0 of one product), under Wine's own msiexec, with the printer's
# software installed beside another maker's:
# - the removal a major upgrade makes, as Windows makes it (the old version
#   removed with UPGRADINGPRODUCTCODE set): everything of the printer's kept;
# - the whole upgrade, 1.0.0 to 2.0.0, as Wine runs it: recorded, not judged
#   (Wine 8.0 does not set UPGRADINGPRODUCTCODE there; see docs/testing.md);
# - a real removal: VexloRemove's lines in the log, the product's queues,
#   monitor, drivers and packages gone, the other maker's kept, exit code 0;
# - VEXLO420_KEEP=1: the removal keeps them; VEXLO420_KEEP=0 removes them;
# - the spooler disabled: exit code 0 with the default Return, the reason and
#   what was left in the log;
# - VexloDetect's property deciding whether a component is installed, with
#   the printer's device entry present and absent.
# Exit codes are read as Windows reports them (a batch file's %ERRORLEVEL%).
# usage: installer_wine.sh <bin folder>, in a fresh prefix made by tests/wine/run.sh
set -euo pipefail
bin=$(cd "${1:?usage: installer_wine.sh <bin folder>}" && pwd)
source "$(dirname "$0")/../checks.sh"
in_bin() { (cd "$bin" && "$@"); }
mark='HKLM\Software\VexloTest'
new_product_code='{6E0D7C1A-0B9A-4F59-9C1E-4E2B11A0C0FF}'

# msiexec with the arguments given; prints its exit code as Windows reports it.
printf '@echo off\r\nmsiexec %%*\r\necho exit code %%ERRORLEVEL%%\r\n' >"$bin/msiexec_code.bat"
msiexec_code() {
    in_bin wine cmd /c msiexec_code.bat "$@" >"$bin/msiexec.out" 2>&1 || true
    tr -d '\r' <"$bin/msiexec.out" | sed -n 's/^exit code //p' | tail -n1
}
# The custom actions' lines of a log, whether Windows wrote it in UTF-16 or not.
action_lines() {
    local log=$bin/$1
    [ -f "$log" ] || { echo "(no log $1)"; return; }
    if [ "$(head -c2 "$log" | od -An -tx1 | tr -d ' \n')" = fffe ]; then iconv -f UTF-16LE -t UTF-8 "$log"; else cat "$log"; fi |
        tr -d '\r' | grep -E '^Vexlo(Remove|Detect|PlanRemoval): ' | sed 's/in [0-9]*\.[0-9] s$/in N s/; s/after [0-9]*\.[0-9] s$/after N s/' || true
}
logged() {  # logged <what> <log> <line>
    if grep -qxF "$3" <<<"$(action_lines "$2")"; then pass "$1: the log has: $3"; else
        fail "$1: expected in the log [$3], its action lines were [$(action_lines "$2" | paste -sd'|')]"; fi
}
last_line() { action_lines "$1" | grep '^VexloRemove' | tail -n1; }
attached_mark() {  # whether the package's AttachedMark component wrote its value
    # (a 32-bit component of a 64-bit machine writes into the 32-bit view)
    local key
    for key in "$mark" "${mark/Software/Software\\WOW6432Node}"; do
        if in_bin wine reg query "$key" /v Attached >/dev/null 2>&1; then echo written; return; fi
    done
    echo absent
}
software() {  # software <removed|installed>: 0 when the machine holds what that says
    in_bin wine demo_machine.exe "expect-$1" >"$bin/objects.out" 2>&1 && echo 0 || { cat "$bin/objects.out" >&2; echo 1; }
}
show() {  # show <title> <file>: for the reader of the test's output
    echo "-- $1"
    tr -d '\r' <"$2" | sed 's/^/   /'
}

in_bin wine demo_machine.exe install attach start-spooler >/dev/null

# Installed with the printer attached: VexloDetect sets both properties,
# and the component conditioned on VEXLO420_ATTACHED is installed.
check "install 1.0.0: exit code" 0 "$(msiexec_code /i vexlo_v1.msi /qn /l*v install.log)"
logged "install 1.0.0" install.log "VexloDetect: Vexlo-420 printer attached: yes; its software installed: yes"
check "install 1.0.0, printer attached: the VEXLO420_ATTACHED component" written "$(attached_mark)"

# The removal of the old version during a major upgrade, as Windows runs it:
# UPGRADINGPRODUCTCODE names the new product, and the printer's software stays.
check "1.0.0 removed by an upgrade: exit code" 0 \
      "$(msiexec_code /x vexlo_v1.msi /qn UPGRADINGPRODUCTCODE="$new_product_code" /l*v upgrade.log)"
check "1.0.0 removed by an upgrade: VexloRemove did not run" "" "$(action_lines upgrade.log | grep '^VexloRemove' || true)"
check "1.0.0 removed by an upgrade: all the printer's software kept" 0 "$(software installed)"

# The whole upgrade as Wine runs it, recorded for the reader: Wine 8.0's
# RemoveExistingProducts removes 1.0.0 without UPGRADINGPRODUCTCODE, so
# there the removal runs, where Windows would keep the software.
check "install 1.0.0 again: exit code" 0 "$(msiexec_code /i vexlo_v1.msi /qn)"
check "install 2.0.0 over 1.0.0 (Wine's major upgrade): exit code" 0 "$(msiexec_code /i vexlo_v2.msi /qn /l*v wine_upgrade.log)"
if [ "$(software installed 2>/dev/null)" = 0 ]; then kept="kept"; else kept="removed"; fi
echo "-- recorded: Wine's own major upgrade from 1.0.0 to 2.0.0 $kept the printer's software"
in_bin wine demo_machine.exe install start-spooler >/dev/null

# A real removal: VexloRemove runs DeleteALL's removal, step by step in the
# log; VEXLO420_KEEP=0 (a bundle variable's default) asks for the removal.
check "remove 2.0.0 with VEXLO420_KEEP=0: exit code" 0 "$(msiexec_code /x vexlo_v2.msi /qn VEXLO420_KEEP=0 /l*v remove.log)"
for line in \
    "VexloRemove: Stopping and starting the print spooler..." \
    "VexloRemove: print spooler found running, left running, in N s" \
    "VexloRemove: queue \"Vexlo Label\" removed" \
    "VexloRemove: queue \"Vexlo Label G\" removed" \
    "VexloRemove: port monitor \"VexloLM\" removed" \
    "VexloRemove: driver \"Vexlo-420 LABEL\" removed" \
    "VexloRemove: driver \"Vexlo-420G LABEL\" removed" \
    "VexloRemove: Restarting the print spooler..." \
    "VexloRemove: driver package \"oem21.inf\" removed" \
    "VexloRemove: the Vexlo-420 printer's software was removed"; do
    logged "remove 2.0.0" remove.log "$line"
done
check "remove 2.0.0: the first line names the actions' version" 1 \
      "$(action_lines remove.log | grep -c "^VexloRemove: removing the Vexlo-420 printer's software (VexloInstallerActions.dll [0-9][0-9A-Za-z.+-]*)$" || true)"
check "remove 2.0.0: the last line" "VexloRemove: the Vexlo-420 printer's software was removed" "$(last_line remove.log)"
check "remove 2.0.0: the product gone, the other maker's kept" 0 "$(software removed)"
action_lines remove.log >"$bin/removal.lines"
show "the removal's lines in the installer's log" "$bin/removal.lines"
check "remove 2.0.0: the package's component gone" absent "$(attached_mark)"

# Asked to keep it (as a bundle that removes and reinstalls the package
# does), and installed with no device entry: the conditioned component is
# not installed either.
in_bin wine demo_machine.exe install detach >/dev/null
check "install 1.0.0, printer detached: exit code" 0 "$(msiexec_code /i vexlo_v1.msi /qn /l*v detached.log)"
logged "install 1.0.0, printer detached" detached.log "VexloDetect: Vexlo-420 printer attached: no; its software installed: yes"
check "install 1.0.0, printer detached: the VEXLO420_ATTACHED component" absent "$(attached_mark)"
check "remove 1.0.0 with VEXLO420_KEEP=1: exit code" 0 "$(msiexec_code /x vexlo_v1.msi /qn VEXLO420_KEEP=1 /l*v keep.log)"
check "remove 1.0.0 with VEXLO420_KEEP=1: VexloRemove did not run" "" "$(action_lines keep.log | grep '^VexloRemove' || true)"
check "remove 1.0.0 with VEXLO420_KEEP=1: all the printer's software kept" 0 "$(software installed)"

# The spooler disabled: the removal cannot run; with the drop-in's Return
# the package is still removed, and the log says what was left.
in_bin wine demo_machine.exe disable-spooler >/dev/null
check "install 1.0.0 again: exit code" 0 "$(msiexec_code /i vexlo_v1.msi /qn)"
check "spooler disabled: remove 1.0.0: exit code" 0 "$(msiexec_code /x vexlo_v1.msi /qn /l*v disabled.log)"
logged "spooler disabled" disabled.log \
    "VexloRemove: the print spooler could not be controlled (StartServiceA failed with error 1058 ERROR_SERVICE_DISABLED); the removal stopped there"
check "spooler disabled: the last line" \
    "VexloRemove: the Vexlo-420 printer's software was left in place from \"Stopping and starting the print spooler...\" on (only what is listed above as removed was removed); the removal needs a print spooler that can be stopped and started" \
    "$(last_line disabled.log)"
check "spooler disabled: all the printer's software left in place" 0 "$(software installed)"
show "the removal's lines with the spooler disabled" <(action_lines disabled.log)
in_bin wine demo_machine.exe enable-spooler >/dev/null
rm -f "$bin"/msiexec_code.bat "$bin"/msiexec.out "$bin"/*.log "$bin"/objects.out "$bin"/removal.lines

checks_done "installer_wine"
