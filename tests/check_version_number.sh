#!/usr/bin/env bash
# The version number in project() must be three dot-separated integers, each
# at most 65535 (the fourth number is the build's, from scripts/version);
# anything else fails the configure step with a message that names it. Each
# case configures a copy of the project, outside git (a source archive's
# build: X.Y.Z.0), with its version put in place of the real one.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d /tmp/vexlo-version.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
tar --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -xf - -C "$scratch"
grep -q '^project(VexloDeletePrinter VERSION [0-9.]* LANGUAGES CXX)$' CMakeLists.txt ||
    { echo "FAILED: no 'project(VexloDeletePrinter VERSION … LANGUAGES CXX)' line to vary"; exit 1; }

failures=0
# Refused by whom: "ours" are numbers CMake's project() takes and
# cmake/Version.cmake must refuse with its own message; "cmake" are ones
# project() itself refuses before our check runs.
ours='must be three dot-separated integers'
cases=(  # version | accepted | the resource's four numbers when accepted, or who refuses
    "1.0.0|yes|1,0,0,0"
    "65535.65535.65535|yes|65535,65535,65535,0"
    "1.0.0.5|no|ours"
    "2.07.0|yes|2,7,0,0"
    "1.0|no|ours"
    "1|no|ours"
    "1.0.65536|no|ours"
    "1.0.0.100000|no|ours"
    "1.0.999999999999999999999|no|ours"
    "1.0.0.0.0|no|cmake"
    "v1.0.0|no|cmake"
    "1.0.0-beta|no|cmake"
    "1..0|no|cmake"
)
for row in "${cases[@]}"; do
    IFS='|' read -r version accepted numbers <<<"$row"
    sed -i "s/^project(VexloDeletePrinter VERSION .* LANGUAGES CXX)$/project(VexloDeletePrinter VERSION $version LANGUAGES CXX)/" \
        "$scratch/CMakeLists.txt"
    rm -rf "$scratch/build"
    code=0
    output=$(cmake -S "$scratch" -B "$scratch/build" --toolchain cmake/mingw-i686.cmake 2>&1) || code=$?
    if [ "$accepted" = yes ]; then
        got=$(sed -n 's/^FILEVERSION //p' "$scratch/build/VexloDeletePrinter.rc" 2>/dev/null || true)
        if [ "$code" -eq 0 ] && [ "$got" = "$numbers" ]; then echo "ok: $version accepted, FILEVERSION $got"; else
            echo "FAILED: $version: expected configure to pass with FILEVERSION $numbers, got exit $code, FILEVERSION '$got'"
            echo "$output" | tail -5; failures=$((failures + 1)); fi
    elif [ "$code" -ne 0 ] && grep -qF "\"$version\"" <<<"$output" &&
         { [ "$numbers" != ours ] || tr -s '[:space:]' ' ' <<<"$output" | grep -qF "$ours"; }; then
        echo "ok: $version refused ($numbers): $(grep -m1 -F "\"$version\"" <<<"$output" | sed 's/^ *//')"
    else
        echo "FAILED: $version: expected configure to fail naming \"$version\"$([ "$numbers" != ours ] ||
             echo " with our message '$ours'"), got exit $code"
        echo "$output" | tail -5; failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "version numbers: all checks passed" || echo "version numbers: $failures failure(s)"
[ "$failures" -eq 0 ]
