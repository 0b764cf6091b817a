#!/usr/bin/env bash
# The commands README.md and docs/ print, taken from the pages themselves.
# A fenced block of a shell's language, or any block the line before marks
# "<!-- commands: <place> -->", is commands; each must say where it runs:
#   from the sources' root           run here, in page order, each block in a
#                                    new "bash -e", in one throwaway clone of this
#                                    checkout (never this repository: one
#                                    block tags a release), and must exit 0
#   from the bundle's root,
#   wixl, from the bundle's root     run by tests/check_printed_commands.sh
#   ..., run by <script>             run by that test, which must read the page
# and docs/deploying.md's Windows commands carry "<!-- test: ... -->", read
# by tests/wine/deploying_wine.sh. A block of commands that says none fails.
# What the pages ask to be there before a block runs is made first, in the
# clone: the release's first step (its changelog section dated, committed),
# vendor.pfx and vendor.pass (a code-signing certificate of a throwaway
# authority), token.pin and a SoftHSM2 token "Vendor Token" whose key and
# certificate are "release" (the token's module in VEXLO_SIGN_MODULE), and,
# for a block that reads signed/, the last signed bundle unpacked there.
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

# Where each block of commands runs: the sources' blocks in page order.
sources=()
while IFS= read -r -d '' block; do
    IFS=$'\t' read -r where language place <<<"${block%%$'\n'*}"
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
        "") fail "$where: a block of $language commands that does not say where it runs (<!-- commands: <place> -->)" ;;
        *) fail "$where: '$place' is no place this test knows" ;;
    esac
done < <(doc_blocks README.md docs/*.md)
[ "${#sources[@]}" -gt 0 ] || fail "no page prints commands to run from the sources' root"

# The clone, as the pages find it: the release's first step made.
git clone -q --no-tags "$root" "$scratch/sources"
clone=$scratch/sources
in_clone() { git -C "$clone" -c user.name=Test -c user.email=test@example.invalid "$@"; }
version=$(sed -n 's/^project(VexloDeletePrinter VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
sed -i "s/^## $version .*/## $version (2026-12-11)/" "$clone/docs/changelog.md"
in_clone commit -q -am "Release $version"
printf 'a vendor password\n' >"$clone/vendor.pass"
printf '2468' >"$clone/token.pin"
mkdir "$scratch/pki"
pki_authority "$scratch/pki"
pki_issue "$scratch/pki" vendor codeSigning 2
quiet openssl pkcs12 -export -inkey "$scratch/pki/vendor.key" -in "$scratch/pki/vendor.pem" \
    -certfile "$scratch/pki/ca.pem" -out "$clone/vendor.pfx" -passout "file:$clone/vendor.pass"
pki_token "$scratch" "Vendor Token" 2468 "$scratch/pki" vendor release
export VEXLO_SIGN_MODULE=$softhsm_module
signed_zip=

for block in "${sources[@]}"; do
    where=${block%%$'\t'*}
    body=${block#*$'\n'}
    if grep -q 'signed/' <<<"$body"; then
        if [ -n "$signed_zip" ]; then
            rm -rf "$clone/signed" "$scratch/unzipped"
            unzip -q "$signed_zip" -d "$scratch/unzipped"
            mv "$scratch/unzipped"/* "$clone/signed"
        else fail "$where reads signed/, but no block before it signed a bundle"; fi
    fi
    code=0
    (cd "$clone" && timeout 900 bash -e -c "$body" >"$scratch/said" 2>&1 </dev/null) || code=$?
    check "$where, from the sources' root: $(head -n1 <<<"$body")$([ "$(wc -l <<<"${body%$'\n'}")" -eq 1 ] || echo ' ...'): exit status" 0 "$code"
    [ "$code" -eq 0 ] || tail -n 5 "$scratch/said"
    if grep -q -- '--sign' <<<"$body" && [ "$code" -eq 0 ]; then
        signed_zip=$(ls "$clone"/dist/VexloDeletePrinter-*.zip)
        cp "$signed_zip" "$scratch/signed.zip"
        signed_zip=$scratch/signed.zip
    fi
done
check "the release the pages made: its bundle" "VexloDeletePrinter-$version.zip" "$(cd "$clone/dist" && ls ./*.zip | sed 's|^\./||')"
checks_done "commands printed in README.md and docs/"
