#!/usr/bin/env bash
# Runs the benchmarks under Wine (they are not tests), for both builds, each
# in a fresh prefix: the 32-bit build in a 32-bit prefix, in the emulated
# machine of scripts/guest where this kernel runs no 32-bit code; the 64-bit
# build in a 64-bit prefix. Every figure is a ratio to a yardstick measured
# in the same run (a bare loop of the same calls, or a registry-only DLL):
# absolute times under Wine, and in an emulated machine above all, mean
# little, and only ratios within one run are compared.
# usage: bench/run.sh [N...]   (default N = 10 100 1000)
#        bench/run.sh --inside <32|64> <bin folder> [N...]   (one build, in this machine)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)

one_build() {  # one_build <32|64> <bin folder> <N...>
    local bits=$1 bin=$2 n
    shift 2
    source scripts/wine-prefix.sh
    if [ "$bits" = 32 ]; then wine_prefix_start win32; else wine_prefix_start win64; fi
    echo "== the $bits-bit build: IsConnected warm, against a bare registry loop"
    (cd "$bin" && wine presence_bench.exe)
    echo "== the $bits-bit build: a cold call (load, IsConnected, free) in a fresh process, against the registry-only DLL"
    (cd "$bin" && wine cold_call.exe)
    for n in "$@"; do
        echo "== the $bits-bit build: the walks at N = $n, against bare loops of the same calls"
        (cd "$bin" && wine scale_bench.exe "$n")
    done
    wine_prefix_stop
}

if [ "${1:-}" = --inside ]; then
    shift
    one_build "$@"
    exit
fi
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100 1000)
scripts/setup
export VEXLO_32BIT_SAID=1
for preset in mingw mingw64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)" >/dev/null
done
if scripts/setup --can-run-32bit; then
    one_build 32 "$here/build/mingw/bin" "${sizes[@]}"
elif [ "${VEXLO_NO_EMULATION:-}" = 1 ]; then
    echo "== not run: the 32-bit build; this kernel runs no 32-bit programs and VEXLO_NO_EMULATION=1 asks for no emulated machine"
else
    echo "== the 32-bit build runs in the emulated x86-64 machine: only the ratios within its run mean anything," \
         "as everything there runs several times slower than on a real kernel"
    scripts/guest run -- bench/run.sh --inside 32 "$here/build/mingw/bin" "${sizes[@]}"
fi
one_build 64 "$here/build/mingw64/bin" "${sizes[@]}"
