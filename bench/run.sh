#!/usr/bin/env bash
# Runs the benchmarks under Wine in a throwaway prefix (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$(nproc)" >/dev/null
source scripts/wine-prefix.sh
wine_prefix_start
(cd build/mingw/bin && wine presence_bench.exe && wine cold_call.exe "$@")
