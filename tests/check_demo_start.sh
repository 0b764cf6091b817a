#!/usr/bin/env bash
# What scripts/demo says first, decided after scripts/setup has installed the
# 32-bit Wine loader it asks. It runs in a copy of the scripts, with stand-ins
# for the package tools (the 32-bit loader "installed" by apt-get when the
# case has it), for scripts/guest (the emulated machine never made) and for
# cmake, which stops the demo once it has said what it takes.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
source tests/checks.sh
scratch=$(mktemp -d /tmp/vexlo-demo-start.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

mkdir -p "$scratch/tree/scripts" "$scratch/bin"
cp scripts/demo scripts/setup scripts/wine-prefix.sh "$scratch/tree/scripts/"
cat >"$scratch/tree/scripts/guest" <<'EOF'
#!/bin/sh
case "$1" in
    where) echo "$VEXLO_TEST_SCRATCH/machine" ;;
    *) echo "guest $*" >>"$VEXLO_TEST_SCRATCH/guest-calls" ;;
esac
EOF
# Every package installed but wine32:i386 until apt-get installs it, and
# then the loader the case asks for.
cat >"$scratch/bin/dpkg-query" <<'EOF'
#!/bin/sh
for p; do :; done
[ "$p" != wine32:i386 ] || [ -e "$VEXLO_WINE32_LOADER" ] || exit 1
echo "install ok installed"
EOF
cat >"$scratch/bin/dpkg" <<'EOF'
#!/bin/sh
echo i386
EOF
cat >"$scratch/bin/apt-get" <<'EOF'
#!/bin/sh
[ "$1" = update ] && exit 0
printf '#!/bin/sh\n%s\n' "$VEXLO_TEST_LOADER_SAYS" >"$VEXLO_WINE32_LOADER"
chmod +x "$VEXLO_WINE32_LOADER"
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$scratch/bin/sudo"
printf '#!/bin/sh\nexit 3\n' >"$scratch/bin/cmake"
chmod +x "$scratch/tree/scripts/guest" "$scratch/bin"/*

first_line() {  # first_line <what the loader does> [variable=value...]: the demo's first "==" line
    local loader=$scratch/loader-$RANDOM says=$1
    shift
    env -u VEXLO_32BIT_SAID -u VEXLO_NO_32BIT PATH="$scratch/bin:$PATH" VEXLO_TEST_SCRATCH="$scratch" \
        VEXLO_WINE32_LOADER="$loader" VEXLO_TEST_LOADER_SAYS="$says" "$@" \
        "$scratch/tree/scripts/demo" 2>&1 | grep -m1 '^==' || true
}

runs='== this machine runs 32-bit programs: the 32-bit part runs here, directly; the whole demo takes about 5 minutes'
emulated='== this kernel runs no 32-bit programs: the 32-bit part runs in an emulated x86-64 machine, about 22 minutes this first time'
while IFS='|' read -r what loader variable expected; do
    got=$(first_line "$loader" ${variable:+"$variable"})
    check "$what" "$expected" "${got:0:${#expected}}"
done <<EOF
the loader installed by the demo runs|echo wine-8.0||$runs
the loader installed by the demo fails, as on a kernel without IA32|echo 'Exec format error' >&2; exit 126||$emulated
VEXLO_NO_32BIT=1, the loader runs|echo wine-8.0|VEXLO_NO_32BIT=1|$emulated
EOF
checks_done "demo start"
