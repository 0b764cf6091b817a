#!/usr/bin/env bash
# The WiX example of a release bundle, built by wixl as its comment says, for
# the 64-bit custom actions, and installed and removed silently with a
# verbose log under Wine's msiexec: with the printer's software installed
# beside another maker's, the removal runs VexloRemove (its lines in the log)
# and leaves only the other maker's software, exit code 0; installed and
# removed again with nothing of the printer's there, VexloDetect says so and
# VexloRemove's condition keeps it from running at all. The package is made
# the way docs/integrating.md tells wixl users: VEXLO420_KEEP added to its
# SecureCustomProperties with msibuild.
# usage: wix_example.sh <bin folder> <bundle folder>, inside a fresh 64-bit prefix
set -euo pipefail
bin=$(cd "${1:?usage: wix_example.sh <bin folder> <bundle folder>}" && pwd)
bundle=$(cd "${2:?usage: wix_example.sh <bin folder> <bundle folder>}" && pwd)
scratch=$(mktemp -d /tmp/vexlo-wix.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$0")/../checks.sh"

(cd "$bundle" && wixl -a x64 -I installer -D VexloActions=installer/x64/VexloInstallerActions.dll \
     -o "$scratch/example.msi" examples/wix/RemoveVexloPrinter.wxs)
echo "built example.msi with wixl $(wixl --version 2>&1 | head -n1)"
# The step docs/integrating.md gives, taken from there.
step=$(sed -n '/^    # wixl-secure-begin/,/^    # wixl-secure-end/p' "$(dirname "$0")/../../docs/integrating.md" | sed 's/^    //')
[ -n "$step" ] || { echo "wix_example.sh: no msibuild step in docs/integrating.md" >&2; exit 1; }
(cd "$scratch" && package=example.msi && eval "$step")
check "SecureCustomProperties" "WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;VEXLO420_KEEP" \
      "$(msiinfo export "$scratch/example.msi" Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')"
check "VexloDetect and VexloPlanRemoval impersonated (type 1, not 2049)" "VexloDetect 1|VexloPlanRemoval 1" \
      "$(msiinfo export "$scratch/example.msi" CustomAction | tr -d '\r' | awk '$1 ~ /^Vexlo(Detect|PlanRemoval)$/ {print $1, $2}' | paste -sd'|')"
printf '@echo off\r\nmsiexec %%*\r\necho exit code %%ERRORLEVEL%%\r\n' >"$scratch/msiexec_code.bat"
msiexec_code() {
    (cd "$scratch" && wine cmd /c msiexec_code.bat "$@" >"$scratch/out" 2>&1) || true
    tr -d '\r' <"$scratch/out" | sed -n 's/^exit code //p' | tail -n1
}
action_lines() {
    if [ "$(head -c2 "$scratch/$1" | od -An -tx1 | tr -d ' \n')" = fffe ]; then iconv -f UTF-16LE -t UTF-8 "$scratch/$1"
    else cat "$scratch/$1"; fi | tr -d '\r' | grep -E '^Vexlo(Remove|Detect): ' || true
}

(cd "$bin" && wine demo_machine.exe install attach start-spooler >/dev/null)
check "install: exit code" 0 "$(msiexec_code /i example.msi /qn)"
check "remove with VEXLO420_KEEP=0: exit code" 0 "$(msiexec_code /x example.msi /qn VEXLO420_KEEP=0 /l*v remove.log)"
check "remove: VexloDetect" "VexloDetect: Vexlo-420 printer attached: yes; its software installed: yes" \
      "$(action_lines remove.log | grep '^VexloDetect' | tail -n1)"
check "remove: VexloRemove's last line" "VexloRemove: the Vexlo-420 printer's software was removed" \
      "$(action_lines remove.log | grep '^VexloRemove' | tail -n1)"
check "remove: the product gone, the other maker's kept" 0 \
      "$( (cd "$bin" && wine demo_machine.exe expect-removed >/dev/null 2>&1) && echo 0 || echo $?)"

check "nothing installed: install" 0 "$(msiexec_code /i example.msi /qn)"
check "nothing installed: remove" 0 "$(msiexec_code /x example.msi /qn /l*v nothing.log)"
check "nothing installed: VexloDetect" "VexloDetect: Vexlo-420 printer attached: yes; its software installed: no" \
      "$(action_lines nothing.log | grep '^VexloDetect' | tail -n1)"
check "nothing installed: VexloRemove did not run" "" "$(action_lines nothing.log | grep '^VexloRemove' || true)"
checks_done "wix_example"
