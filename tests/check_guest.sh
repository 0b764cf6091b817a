#!/usr/bin/env bash
# The emulated machine's runner, scripts/guest run: the command's output and
# exit status come through; the current folder and the variables given are
# there; a command that runs out of time is stopped (124); a machine that
# stops before the command ends, or does not boot in time, is told apart
# from a failed command (125, with the console's last lines); a folder
# outside the shares is refused; a command's own 124 or 125 is answered 1,
# never mistaken for the runner's; a runner killed outright leaves an
# emulator that powers itself off a minute after the time limit; and no
# emulator or control folder is left behind by any of them. Its runs make
# their control folders in a folder of its own (TMPDIR), and only those are
# counted, looked for and removed: another run's, in /tmp, is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
source tests/checks.sh
scratch=$(mktemp -d /tmp/vexlo-check-guest.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
guest() {  # guest <args...>: prints "<exit status>|<output, lines joined>"
    local code=0 said
    said=$("$here/scripts/guest" run "$@" 2>&1) || code=$?
    echo "$code|$(tr -d '\r' <<<"$said" | paste -sd '|')"
}
# This check's own: each emulator names its control folder, in the scratch folder.
emulators() { pgrep -c -f "qemu-system-x86_64 .*path=$scratch/vexlo-guest" || true; }
controls() { find "$scratch" -maxdepth 1 -name 'vexlo-guest.*' | wc -l; }
emulators_before=$(emulators)
controls_before=$(controls)

check "output and exit status" "7|out|err" "$(guest -- sh -c 'echo out; echo err >&2; exit 7')"
check "current folder and variables" "0|$(pwd)/tests|one two" \
      "$(cd tests && guest --env 'WORDS=one two' -- sh -c 'pwd; echo "$WORDS"')"

said=$(guest --timeout 5 -- sleep 600)
check "out of time: exit status" 124 "${said%%|*}"
grep -qF "the command ran out of time (5 s) and was stopped" <<<"$said" && pass "out of time: said so" ||
    fail "out of time: expected the runner to say so, got [$said]"

said=$(guest -- sh -c 'echo o >/proc/sysrq-trigger; sleep 60')
check "machine stopped under the command: exit status" 125 "${said%%|*}"
grep -qF "the machine stopped before the command ended" <<<"$said" && pass "stopped: said so" ||
    fail "stopped: expected the runner to say so, got [$said]"

said=$(VEXLO_GUEST_BOOT_TIMEOUT=1 guest -- true)
check "no boot in time: exit status" 125 "${said%%|*}"
grep -qF "the machine did not boot within 1 s|guest: the console's last lines:" <<<"$said" &&
    pass "no boot in time: said so, with the console" ||
    fail "no boot in time: expected the runner to say so and show the console, got [$said]"

said=$(guest -- sh -c 'exit 124')
check "a command's own 124: exit status" 1 "${said%%|*}"
grep -qF "the command exited with 124, answered as 1" <<<"$said" && pass "a command's own 124: said so" ||
    fail "a command's own 124: expected the runner to say so, got [$said]"

# The runner killed outright: the machine's own bound ends the emulator.
# Its time limit outlasts the kill below on a machine that boots fast.
start=$SECONDS
"$here/scripts/guest" run --timeout 60 -- sleep 600 >/dev/null 2>&1 &
runner=$!
sleep 15
# Another run's control folder, made meanwhile where runs make theirs by default.
others=$(mktemp -d /tmp/vexlo-guest.XXXXXX)
sleep 15
kill -9 "$runner" 2>/dev/null || fail "runner killed outright: it had ended before the kill"
for _ in $(seq 240); do [ "$(emulators)" = "$emulators_before" ] && break; sleep 1; done
check "runner killed outright: the emulator powered itself off" "$emulators_before" "$(emulators)"
echo "   (it ran $((SECONDS - start)) s in all, boot included)"
# SIGKILL leaves the runner's control folder: that one goes, the only run
# of this check's then under way; another run's stays.
check "runner killed outright: its control folder left" 1 "$(controls)"
find "$scratch" -maxdepth 1 -name 'vexlo-guest.*' -exec rm -rf {} +
check "another run's control folder left alone" yes "$([ -d "$others" ] && echo yes || echo no)"
rmdir "$others"

check "a folder outside the shares: exit status" 2 "$(cd / && "$here/scripts/guest" run -- true >/dev/null 2>&1; echo $?)"

check "emulators left running" "$emulators_before" "$(emulators)"
check "control folders left behind" "$controls_before" "$(controls)"
checks_done "guest"
