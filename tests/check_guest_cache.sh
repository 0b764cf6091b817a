#!/usr/bin/env bash
# The emulated machine's cache keeps to its own folder: built with a small
# stand-in root (tests/guest_fake_root.sh), scripts/guest prepare
# - leaves a user's file, another tool's folder and a stale machine of
#   another key, planted in the folder VEXLO_GUEST_CACHE names, untouched,
#   and puts its machines in a vexlo-guest folder of its own, marked;
# - refuses a vexlo-guest folder that holds anything without its mark;
# - takes a relative VEXLO_GUEST_CACHE, HOME or XDG_CACHE_HOME from the
#   current folder, and "/" as the root folder, without touching it;
# - keeps a machine of another key while a run holds it (the lock a run
#   holds from its boot to the emulator's exit), and removes it afterwards;
# - killed at each step of a build, with SIGTERM, leaves no mount, process
#   or folder of the build; killed outright (SIGKILL), the next prepare
#   releases and removes what it left before building, and a machine that
#   lost its ready mark is made again in its place, not inside itself.
# Mounts need root or sudo. GUEST names the script to test (default
# scripts/guest).
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
source tests/checks.sh
guest=${GUEST:-$here/scripts/guest}
if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
    echo "check_guest_cache: the stand-in build mounts, which needs root or sudo without a password"
    exit 77
fi
sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
scratch=$(realpath "$(mktemp -d /tmp/vexlo-cache-test.XXXXXX)")
builder=$scratch/builder.sh
cp tests/guest_fake_root.sh "$scratch/fake_root.sh"
# scripts/guest runs the builder as the user, where it would run debootstrap
# through sudo: the stand-in mounts, so it goes through sudo too.
cat >"$builder" <<EOF
#!/bin/sh
[ "\$(id -u)" -eq 0 ] && exec "$scratch/fake_root.sh" "\$@"
exec sudo -n env VEXLO_FAKE_STEPS="\$VEXLO_FAKE_STEPS" VEXLO_FAKE_HANG_AT="\${VEXLO_FAKE_HANG_AT:-}" \\
    "$scratch/fake_root.sh" "\$@"
EOF
chmod +x "$builder" "$scratch/fake_root.sh"
export VEXLO_GUEST_BUILD_ROOT=$builder VEXLO_FAKE_STEPS=$scratch/steps
: >"$VEXLO_FAKE_STEPS"  # the user's, so that each case can empty it after the builder wrote to it
unset VEXLO_GUEST_CACHE VEXLO_FAKE_HANG_AT

# What a build can leave: mounts and processes in the scratch folder.
mounts() { awk -v r="$scratch" 'index($2, r "/") == 1 { print $2 }' /proc/self/mounts | sort | paste -sd ' '; }
inside() {
    sudo_if_needed sh -c 'for p in /proc/[0-9]*; do case "$(readlink "$p/root" 2>/dev/null)" in "$1"/*) echo "${p#/proc/}" ;; esac; done' \
        inside "$scratch" | paste -sd ' '
}
# A stand-in builder still waiting at its step (after its runner was killed
# outright, through sudo, nothing told it), ended by its own id.
end_waiting() {
    local pid
    pid=$(cat "$VEXLO_FAKE_STEPS.waiting" 2>/dev/null) || return 0
    rm -f "$VEXLO_FAKE_STEPS.waiting"
    case "$(ps -o args= -p "$pid" 2>/dev/null)" in
        *"$scratch/fake_root.sh"*) sudo_if_needed kill "$pid" 2>/dev/null || true ;;
    esac
}
finish() {
    local point
    end_waiting
    for point in $(mounts | tr ' ' '\n' | sort -r); do sudo_if_needed umount -l "$point" || true; done
    for point in $(inside); do sudo_if_needed kill -9 "$point" 2>/dev/null || true; done
    sudo_if_needed rm -rf --one-file-system "$scratch"
}
trap finish EXIT
prepare() {  # prepare <cache parent> [variable=value...]: prints the exit status
    local parent=$1 code=0
    shift
    env VEXLO_GUEST_CACHE="$parent" "$@" "$guest" prepare >"$scratch/said" 2>&1 || code=$?
    echo "$code"
}
listing() { (cd "$1" && find . -mindepth 1 | sort | paste -sd ' '); }
machines() { find "$1/vexlo-guest" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | wc -l; }

# A user's file, another tool's folder and a stale machine of another key,
# in the folder the variable names: all untouched.
parent=$scratch/parent
mkdir -p "$parent/other-tool/data" "$parent/0123456789abcdef"
echo mine >"$parent/notes.txt"
echo 12 >"$parent/0123456789abcdef/ready"
before=$(listing "$parent")
check "prepare: exit status" 0 "$(prepare "$parent")"
check "prepare: the user's file, the other tool's folder and the stale machine untouched" "$before" \
      "$(listing "$parent" | tr ' ' '\n' | grep -v '^./vexlo-guest' | paste -sd ' ')"
check "prepare: its folder carries its mark" yes "$([ -f "$parent/vexlo-guest/.vexlo-guest" ] && echo yes || echo no)"
key=$(VEXLO_GUEST_CACHE=$parent "$guest" where)
check "prepare: the machine made in its folder" yes "$([ -f "$key/ready" ] && [ -f "$key/.vexlo-guest" ] && echo yes || echo no)"
check "prepare: nothing left mounted or running" "|" "$(mounts)|$(inside)"

# Not ours: a vexlo-guest folder with something else in it.
foreign=$scratch/foreign
mkdir -p "$foreign/vexlo-guest/theirs"
check "a vexlo-guest folder without the mark: refused" 1 "$(prepare "$foreign")"
check "a vexlo-guest folder without the mark: untouched" "./vexlo-guest ./vexlo-guest/theirs" "$(listing "$foreign")"

# Values of the variables, made absolute; "/" names the root folder's own
# vexlo-guest, which where only names.
mkdir -p "$scratch/cwd"
cd "$scratch/cwd"
check "VEXLO_GUEST_CACHE=/" "/vexlo-guest" "$(VEXLO_GUEST_CACHE=/ "$guest" where | xargs dirname)"
check "VEXLO_GUEST_CACHE relative" "$scratch/cwd/rel/vexlo-guest" "$(VEXLO_GUEST_CACHE=rel "$guest" where | xargs dirname)"
check "HOME relative" "$scratch/cwd/home/.cache/vexlo-guest" \
      "$(env -u XDG_CACHE_HOME HOME=home "$guest" where | xargs dirname)"
check "XDG_CACHE_HOME relative" "$scratch/cwd/xdg/vexlo-guest" "$(XDG_CACHE_HOME=xdg "$guest" where | xargs dirname)"
check "prepare, VEXLO_GUEST_CACHE relative: exit status" 0 "$(prepare rel)"
check "prepare, VEXLO_GUEST_CACHE relative: made under the current folder" yes \
      "$([ -f "$(VEXLO_GUEST_CACHE=rel "$guest" where)/ready" ] && echo yes || echo no)"
cd "$here"

# A machine in use is kept by a prepare of another key; removed by the
# next prepare once no run holds it.
cp "$builder" "$scratch/builder2.sh"
echo "# another key" >>"$scratch/builder2.sh"
(exec 7>"$key.lock"; flock -s 7; exec sleep 600) &
holder=$!
sleep 1
check "another key while a machine runs: exit status" 0 "$(prepare "$parent" VEXLO_GUEST_BUILD_ROOT="$scratch/builder2.sh")"
check "another key while a machine runs: the machine in use kept" yes "$([ -f "$key/ready" ] && echo yes || echo no)"
kill "$holder"; wait "$holder" 2>/dev/null || true
check "another key, the run ended: exit status" 0 "$(prepare "$parent" VEXLO_GUEST_BUILD_ROOT="$scratch/builder2.sh")"
check "another key, the run ended: the old machine removed" "no 1" \
      "$([ -e "$key" ] && echo yes || echo no) $(machines "$parent")"
check "another key: the plants still untouched" "$before" \
      "$(listing "$parent" | tr ' ' '\n' | grep -v '^./vexlo-guest' | paste -sd ' ')"

# Killed at each step of a build.
for step in mounted inside kernel; do
    cache=$scratch/killed-$step
    : >"$VEXLO_FAKE_STEPS"
    VEXLO_GUEST_CACHE=$cache VEXLO_FAKE_HANG_AT=$step setsid "$guest" prepare >/dev/null 2>&1 &
    runner=$!
    for _ in $(seq 100); do grep -qx "$step" "$VEXLO_FAKE_STEPS" && break; sleep 0.2; done
    kill -TERM -- "-$runner"
    wait "$runner" 2>/dev/null || true
    check "SIGTERM at '$step': no mount, process or folder of the build left" "|||0" \
          "$(mounts)|$(inside)|$(find "$cache/vexlo-guest" -mindepth 1 -maxdepth 1 -type d | paste -sd ' ')|$(machines "$cache")"
done
cache=$scratch/killed-outright
: >"$VEXLO_FAKE_STEPS"
VEXLO_GUEST_CACHE=$cache VEXLO_FAKE_HANG_AT=inside setsid "$guest" prepare >/dev/null 2>&1 &
runner=$!
for _ in $(seq 100); do grep -qx inside "$VEXLO_FAKE_STEPS" && break; sleep 0.2; done
kill -KILL -- "-$runner"
wait "$runner" 2>/dev/null || true
end_waiting
left=$(mounts)
check "SIGKILL at 'inside': the build's mounts are left (what the next prepare meets)" yes "$([ -n "$left" ] && echo yes || echo no)"
check "after SIGKILL, the next prepare: exit status" 0 "$(prepare "$cache")"
check "after SIGKILL, the next prepare: no mount or process left, one machine, ready" "||1 yes" \
      "$(mounts)|$(inside)|$(machines "$cache") $([ -f "$(VEXLO_GUEST_CACHE=$cache "$guest" where)/ready" ] && echo yes || echo no)"

# A machine without its ready mark is made again in its place.
machine=$(VEXLO_GUEST_CACHE=$cache "$guest" where)
rm "$machine/ready"
check "ready mark lost: exit status" 0 "$(prepare "$cache")"
check "ready mark lost: made again in its place, nothing inside itself" "yes " \
      "$([ -f "$machine/ready" ] && echo yes || echo no) $(find "$machine" -mindepth 1 -maxdepth 1 -type d | paste -sd ' ')"

checks_done "guest cache"
