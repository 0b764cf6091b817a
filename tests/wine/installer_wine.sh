#!/usr/bin/env bash
# The custom actions in Windows Installer packages (built by wixl in the
# build, tests/wine/installer/package.wxs) under Wine's own msiexec: a
# package installed with the printer attached and its software there, then
# removed with a verbose log: VexloRemove's lines in the log, the product's
# queues, monitor, drivers and packages gone and another maker's kept, exit
# code 0; with the spooler disabled, 1603 under Return="check" and 0 under
# Return="ignore", the reason in the log; VexloDetect's property deciding
# whether a component is installed, with the printer's device entry present
# and absent. Exit codes are read as Windows reports them (a batch file's
# %ERRORLEVEL%), and from the shell too, where 1603 arrives as its low byte.
# usage: installer_wine.sh <bin folder>, in a fresh prefix made by tests/wine/run.sh
set -euo pipefail
bin=$(cd "${1:?usage: installer_wine.sh <bin folder>}" && pwd)
source "$(dirname "$0")/../checks.sh"
in_bin() { (cd "$bin" && "$@"); }
mark='HKLM\Software\VexloTest'

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
        tr -d '\r' | grep -E '^Vexlo(Remove|Detect): ' | sed 's/in [0-9]*\.[0-9] s$/in N s/; s/after [0-9]*\.[0-9] s$/after N s/' || true
}
logged() {  # logged <what> <log> <line>
    if grep -qxF "$3" <<<"$(action_lines "$2")"; then pass "$1: the log has: $3"; else
        fail "$1: expected in the log [$3], its action lines were [$(action_lines "$2" | paste -sd'|')]"; fi
}
attached_mark() {  # whether the package's AttachedMark component wrote its value
    # (a 32-bit component of a 64-bit machine writes into the 32-bit view)
    local key
    for key in "$mark\\$1" "${mark/Software/Software\\WOW6432Node}\\$1"; do
        if in_bin wine reg query "$key" /v Attached >/dev/null 2>&1; then echo written; return; fi
    done
    echo absent
}
listing_exit() { local code=0; in_bin wine VexloHost.exe list >"$bin/listing.out" 2>&1 || code=$?; echo "$code"; }
show() {  # show <title> <file>: for the reader of the test's output
    echo "-- $1"
    tr -d '\r' <"$2" | sed 's/^/   /'
}

in_bin wine demo_machine.exe install attach start-spooler >/dev/null

# Installed with the printer attached: VexloDetect sets both properties,
# and the component conditioned on VEXLO420_ATTACHED is installed.
check "install remove_check.msi: exit code" 0 "$(msiexec_code /i remove_check.msi /qn /l*v install.log)"
logged "install" install.log "VexloDetect: Vexlo-420 printer attached: yes; its software installed: yes"
check "install, printer attached: the VEXLO420_ATTACHED component" written "$(attached_mark VexloRemove_check)"
check "before the removal: VexloHost list" 1 "$(listing_exit)"
show "VexloHost list before the removal" "$bin/listing.out"

# Removed: VexloRemove runs DeleteALL's removal, step by step in the log.
check "remove remove_check.msi: exit code" 0 "$(msiexec_code /x remove_check.msi /qn /l*v remove.log)"
for line in \
    "VexloRemove: removing the Vexlo-420 printer's software" \
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
    logged "remove" remove.log "$line"
done
check "after the removal: the product gone, the other maker's kept" 0 \
      "$(in_bin wine demo_machine.exe expect-removed >/dev/null 2>&1 && echo 0 || echo $?)"
action_lines remove.log >"$bin/removal.lines"
show "the removal's lines in the installer's log" "$bin/removal.lines"
check "after the removal: VexloHost list" 0 "$(listing_exit)"
show "VexloHost list after the removal" "$bin/listing.out"
check "after the removal: the package's component gone" absent "$(attached_mark VexloRemove_check)"

# Installed with no device entry: the conditioned component is not.
in_bin wine demo_machine.exe detach >/dev/null
check "install remove_ignore.msi, printer detached: exit code" 0 "$(msiexec_code /i remove_ignore.msi /qn /l*v detached.log)"
logged "install, printer detached" detached.log "VexloDetect: Vexlo-420 printer attached: no; its software installed: no"
check "install, printer detached: the VEXLO420_ATTACHED component" absent "$(attached_mark VexloRemove_ignore)"

# The spooler disabled: the removal cannot run. Return="check" fails the
# removal (1603, rolled back: the package stays), Return="ignore" goes on.
in_bin wine demo_machine.exe install disable-spooler >/dev/null
check "install remove_check.msi again: exit code" 0 "$(msiexec_code /i remove_check.msi /qn)"
reason="VexloRemove: the print spooler could not be controlled (StartServiceA failed with error 1058); the removal stopped there"
check "spooler disabled, Return=check: exit code" 1603 "$(msiexec_code /x remove_check.msi /qn /l*v check.log)"
logged "spooler disabled, Return=check" check.log "$reason"
code=0; in_bin wine msiexec /x remove_check.msi /qn >/dev/null 2>&1 || code=$?
check "spooler disabled, Return=check: the exit status the shell sees (1603's low byte)" 67 "$code"
check "spooler disabled, Return=ignore: exit code" 0 "$(msiexec_code /x remove_ignore.msi /qn /l*v ignore.log)"
logged "spooler disabled, Return=ignore" ignore.log "$reason"
in_bin wine demo_machine.exe enable-spooler >/dev/null
check "spooler enabled again: remove remove_check.msi" 0 "$(msiexec_code /x remove_check.msi /qn)"
rm -f "$bin"/msiexec_code.bat "$bin"/msiexec.out "$bin"/*.log "$bin"/listing.out "$bin"/removal.lines

checks_done "installer_wine"
