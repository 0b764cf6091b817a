#!/usr/bin/env bash
# The version a build carries, in throwaway clones of this checkout (the real
# repository is never tagged): a commit without a release tag builds
# X.Y.Z.N / X.Y.Z-dev.N+<commit>, N counted from the last release tag or,
# with none, from the first commit; two such builds of one commit in clones
# at different paths give the same DLL byte for byte; the commit tagged
# vX.Y.Z, its changelog dated, builds X.Y.Z.0 / X.Y.Z, in the same build
# folder as soon as the tag is made; a release tag without a dated changelog
# section is refused by scripts/package, a tag that is not project()'s
# version and a shallow clone by the configure step, each naming why.
# usage: tests/check_build_version.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source tests/checks.sh
scratch=$(mktemp -d /tmp/vexlo-build-version.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
base=$(sed -n 's/^project(VexloDeletePrinter VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)

# The checkout as committed, with no tags: a fresh clone of what CI sees.
git clone -q --no-tags "$root" "$scratch/a"
git clone -q --no-tags "$root" "$scratch/elsewhere/b"
in_a() { git -C "$scratch/a" -c user.name=Test -c user.email=test@example.invalid "$@"; }
commit=$(in_a rev-parse HEAD)
count=$(in_a rev-list --count HEAD)

configure() {  # configure <clone>: the build's "file product" versions, or what refused them
    local said
    said=$(cmake -S "$1" -B "$1/build" --toolchain cmake/mingw-i686.cmake 2>&1) ||
        { tr -s '[:space:]' ' ' <<<"$said" | sed -n 's/.*\(scripts\/version: .*\) Call Stack .*/\1/p'; return; }
    echo "$(cat "$1/build/FILE_VERSION") $(cat "$1/build/VERSION")"
}
resource() {  # resource <dll>: its FileVersion and ProductVersion strings, as a reader of the resource finds them
    strings -el "$1" | awk '/^(FileVersion|ProductVersion)$/ { getline value; printf "%s%s", sep, value; sep = " " }'
}
build() { cmake --build "$1/build" -j2 --target VexloDeletePrinter >/dev/null; }

untagged="$base.$count $base-dev.$count+${commit:0:12}"
check "no tags at all: N counts every commit" "$untagged" "$(configure "$scratch/a")"
check "the same commit in a clone elsewhere" "$untagged" "$(configure "$scratch/elsewhere/b")"
build "$scratch/a"
build "$scratch/elsewhere/b"
dll=build/bin/VexloDeletePrinter.dll
check "the untagged DLL's version resource" "$base.$count $base-dev.$count+${commit:0:12}" \
      "$(resource "$scratch/a/$dll")"
if cmp -s "$scratch/a/$dll" "$scratch/elsewhere/b/$dll"; then
    pass "two untagged builds of one commit at different paths: the same DLL, SHA-256 $(sha256sum <"$scratch/a/$dll" | cut -c1-64)"
else
    fail "two untagged builds of one commit differ: $(cmp "$scratch/a/$dll" "$scratch/elsewhere/b/$dll" 2>&1 || true)"
fi

# An earlier release tag: N counts from it.
in_a tag v0.0.1 HEAD~2
check "two commits after the release tag v0.0.1" "$base.2 $base-dev.2+${commit:0:12}" "$(configure "$scratch/a")"

# The release: its changelog section dated, the commit tagged. The build
# folder takes the tag without being told.
sed -i "s/^## $base .*/## $base (2026-12-11)/" "$scratch/a/docs/changelog.md"
in_a commit -q -am "Release $base"
in_a tag "v$base"
build "$scratch/a"
check "the release tag v$base: the DLL rebuilt in the same folder" "$base.0 $base" "$(resource "$scratch/a/$dll")"
check "the release tag v$base: configure" "$base.0 $base" "$(configure "$scratch/a")"

# Refused: a tag that is not project()'s version, a release tag whose
# changelog has no dated section, a shallow clone.
in_a tag v9.9.9
check "a tag that is not project()'s version" \
      "scripts/version: this commit is tagged v$base v9.9.9, but project() in CMakeLists.txt says $base" \
      "$(configure "$scratch/a")"
in_a tag -d v9.9.9 "v$base" >/dev/null
in_a reset -q --hard HEAD~1
in_a tag "v$base"
code=0
said=$(cd "$scratch/a" && scripts/package "$scratch/a/build/release" 2>&1) || code=$?
check "scripts/package of a release tag without a dated changelog section" \
      "1 this commit is the release v$base, but docs/changelog.md has no dated section for it" \
      "$code $(grep -o 'this commit is the release [^(]*' <<<"$said" | sed 's/ *$//')"
check "... and no bundle written" "" "$(ls "$scratch/a/dist" 2>/dev/null || true)"
git clone -q --depth 1 "file://$root" "$scratch/shallow"
check "a shallow clone" "scripts/version: a shallow clone: a build's number counts the commits since the last release tag, which a shallow clone does not hold; fetch the whole history (git fetch --unshallow)" \
      "$(configure "$scratch/shallow")"

checks_done "build version"
