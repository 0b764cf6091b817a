#!/usr/bin/env bash
# The commands README.md and docs/ print, taken from the pages themselves, as
# committed: the pages and the scripts they call are those of one throwaway
# clone of this checkout's HEAD (never this repository: one block tags a
# release). A fenced block of a shell's language, or any block the line
# before marks "<!-- commands: <place> -->", is commands; each must say
# where it runs:
#   from the sources' root           run in the clone's root, in page order,
#                                    each block in a new "bash -e -o pipefail",
#                                    and must exit 0
#   from the bundle's root,
#   wixl, from the bundle's root     run by tests/check_printed_commands.sh
#   ..., run by <script>             run by that test, which must read the page
# and docs/deploying.md's Windows commands carry "<!-- test: ... -->", read
# by tests/wine/deploying_wine.sh. A block of commands that says none fails.
# What the pages say is there before a block runs is made first: the
# release's first step (its changelog section dated, committed), vendor.pfx
# and vendor.pass (a code-signing certificate of a throwaway authority),
# token.pin and a SoftHSM2 token "Vendor Token" whose key and certificate are
# "release" (its module in VEXLO_SIGN_MODULE for the block that names the
# token), and, for a block that reads signed/, the last signed bundle
# unpacked there. Every bundle the blocks make must name the clone's commit,
# unmodified: what the pages put in the sources' root stays out of git's view.
# usage: tests/check_doc_commands.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source tests/checks.sh
source tests/doc_blocks.sh
source tests/pki.sh
scratch=$(mktemp -d /tmp/vexlo-doc-commands.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
unset VEXLO_SIGN_PASSWORD VEXLO_SIGN_MODULE

git clone -q --no-tags "$root" "$scratch/sources"
clone=$scratch/sources
[ -z "$(git status --porcelain)" ] ||
    echo "check_doc_commands: this checkout differs from its HEAD; the pages and scripts tried are HEAD's"
cd "$clone"

# Where each block of commands runs: the sources' blocks in page order.
doc_blocks README.md docs/*.md >"$scratch/blocks" || fail "the pages' fenced blocks could not be read (above)"
sources=()
while IFS= read -r -d '' block; do
    split_block "$block"
    page=${where%%:*}
    case "$language" in sh|bash|shell|console|bat|cmd|powershell|pwsh|ps1) commands=1 ;; *) commands= ;; esac
    [ -n "$commands$place" ] || continue
    case "$place" in
        "from the sources' root") sources+=("$block") ;;
        "from the bundle's root" | "wixl, from the bundle's root") pass "$where: $place, run by tests/check_printed_commands.sh" ;;
        *", run by "*)
            script=${place##*, run by }
            if [ -f "$script" ] && grep -qF "$(basename "$page")" "$script"; then pass "$where: $place"
            else fail "$where: '$place', but $script does not exist or does not read $page"; fi ;;
        test:*)
            if [ "$page" = docs/deploying.md ]; then pass "$where: $place, run by tests/wine/deploying_wine.sh"
            else fail "$where: a \"test:\" mark outside docs/deploying.md, which no test reads"; fi ;;
        "") fail "$where: a block of ${language:-unnamed} commands that does not say where it runs (<!-- commands: <place> -->)" ;;
        *) fail "$where: '$place' is no place this test knows" ;;
    esac
done <"$scratch/blocks"
[ "${#sources[@]}" -gt 0 ] || fail "no page prints commands to run from the sources' root"

# The clone as the pages find it: the release's first step made.
in_clone() { git -C "$clone" -c user.name=Test -c user.email=test@example.invalid "$@"; }
version=$(sed -n 's/^project(VexloDeletePrinter VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
sed -i "s/^## $version .*/## $version (2026-12-11)/" docs/changelog.md
in_clone commit -q -am "Release $version"
printf 'a vendor password\n' >vendor.pass
printf '2468' >token.pin
mkdir "$scratch/pki"
pki_authority "$scratch/pki"
pki_issue "$scratch/pki" vendor codeSigning 2
quiet openssl pkcs12 -export -inkey "$scratch/pki/vendor.key" -in "$scratch/pki/vendor.pem" \
    -certfile "$scratch/pki/ca.pem" -out vendor.pfx -passout "file:vendor.pass"
pki_token "$scratch" "Vendor Token" 2468 "$scratch/pki" vendor release
signed_zip=

for block in "${sources[@]}"; do
    split_block "$block"
    if grep -q 'signed/' <<<"$body"; then
        if [ -n "$signed_zip" ]; then
            rm -rf signed "$scratch/unzipped"
            unzip -q "$signed_zip" -d "$scratch/unzipped"
            mv "$scratch/unzipped"/* signed
        else fail "$where reads signed/, but no block before it signed a bundle"; fi
    fi
    module=
    ! grep -q 'pkcs11:' <<<"$body" || module=$softhsm_module
    rm -f dist/*.zip
    code=0
    env ${module:+VEXLO_SIGN_MODULE="$module"} timeout 900 bash -e -o pipefail -c "$body" \
        >"$scratch/said" 2>&1 </dev/null || code=$?
    check "$where, from the sources' root: $(head -n1 <<<"$body")$([ "$(wc -l <<<"${body%$'\n'}")" -eq 1 ] || echo ' ...'): exit status" 0 "$code"
    [ "$code" -eq 0 ] || tail -n 5 "$scratch/said"
    for zip in dist/*.zip; do
        [ -f "$zip" ] || continue
        check "$where: the bundle it made names the commit, unmodified" "Built from commit $(git rev-parse HEAD)." \
              "$(unzip -p "$zip" '*/README.txt' | tr -d '\r' | grep -m1 '^Built from commit')"
        ! grep -q -- '--sign' <<<"$body" || { cp "$zip" "$scratch/signed.zip"; signed_zip=$scratch/signed.zip; }
    done
done
check "the release the pages made: its bundle" "VexloDeletePrinter-$version" "$(cat build/release/VERSION 2>/dev/null | sed 's/^/VexloDeletePrinter-/')"
checks_done "commands printed in README.md and docs/"
