#!/usr/bin/env bash
# A small stand-in for the emulated machine's root file system, for the
# tests of the cache's rules (VEXLO_GUEST_BUILD_ROOT): what the real build
# leaves while it runs, /proc mounted in the root, /usr bound into it (read
# only) and a process living inside it in a session of its own, then a
# kernel and an initramfs under /boot. Each step is written to
# $VEXLO_FAKE_STEPS; at step $VEXLO_FAKE_HANG_AT it waits to be killed.
# Run as root (tests/check_guest_cache.sh runs it through sudo otherwise).
# usage: guest_fake_root.sh <root folder>
set -euo pipefail
root=${1:?usage: guest_fake_root.sh <root folder>}
# The wait ends with the builder: run through sudo, the builder is signalled
# alone (sudo passes a signal on to its command, and a hang-up when it is
# killed), not its process group.
step() {
    echo "$1" >>"${VEXLO_FAKE_STEPS:-/dev/null}"
    [ "$1" = "${VEXLO_FAKE_HANG_AT:-}" ] || return 0
    sleep 600 &
    trap 'kill "$!" 2>/dev/null; exit 143' TERM HUP INT
    # Killed outright, sudo passes nothing on: the test ends the wait by this.
    [ -z "${VEXLO_FAKE_STEPS:-}" ] || echo "$$" >"$VEXLO_FAKE_STEPS.waiting"
    wait "$!"
}
mkdir -p "$root"/proc "$root"/usr "$root"/boot "$root"/etc
ln -s usr/bin "$root/bin"
ln -s usr/lib "$root/lib"
ln -s usr/lib64 "$root/lib64"
mount -t proc proc "$root/proc"
step mounted
mount --bind /usr "$root/usr"
mount -o remount,bind,ro "$root/usr"
setsid chroot "$root" sleep 600 </dev/null >/dev/null 2>&1 &
step inside
echo kernel >"$root/boot/vmlinuz-6.1.0-fake"
echo initramfs >"$root/boot/initrd.img-6.1.0-fake"
echo vexlo >"$root/etc/hostname"
step kernel
# As the real build, which unmounts what it mounted and starts no service.
kill -9 "$!" 2>/dev/null || true
umount "$root/usr" "$root/proc"
step done
