#!/usr/bin/env bash
# A signed release, with a throwaway certificate authority made here: every
# PE file of the bundle carries an Authenticode signature that osslsigncode
# verifies against that authority; one changed byte is refused; each
# detached signature, attached to the unsigned build of the same tree, gives
# the signed file byte for byte; the signed DLL still loads and answers under
# Wine; and a missing certificate, a wrong or missing password, a certificate
# not for code signing and an expired one are each refused, naming the
# problem, with no bundle written.
# usage: tests/check_signing.sh
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
source tests/checks.sh
scratch=$(mktemp -d /tmp/vexlo-signing.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
pki=$scratch/pki
mkdir "$pki"
unset VEXLO_SIGN_PASSWORD

# The authority, and certificates it issues: for code signing, for a web
# server only, and for code signing but expired yesterday.
source tests/pki.sh
printf 'a test password\n' >"$pki/password"
printf 'not the password\n' >"$pki/wrong"
pki_authority "$pki"
issue() {  # issue <name> <extended key usage> <days> [-legacy]: its certificate and key in <name>.pfx
    pki_issue "$pki" "$1" "$2" "$3"
    quiet openssl pkcs12 -export ${4:-} -inkey "$pki/$1.key" -in "$pki/$1.pem" -certfile "$pki/ca.pem" \
        -out "$pki/$1.pfx" -passout "file:$pki/password"
}
# The one the bundle is signed with is a legacy PKCS#12 (RC2-40), as Windows
# exports it; the refused ones are current (AES), and are opened before they
# are refused for what they hold.
issue signing codeSigning 2 -legacy
issue server serverAuth 2
issue expired codeSigning -1

# A copy of the tree with a dist/ of its own: the unsigned bundle, then the
# signed one, the password from the environment and the certificate named
# relative to the caller's folder. osslsigncode, the first program started
# after the password is read, tells whether it still sees the variable.
tree=$scratch/tree
mkdir "$tree"
tar --exclude=./build --exclude=./dist -cf - . | tar -xf - -C "$tree"
(cd "$tree" && scripts/package "$scratch/build" >/dev/null)
name=$(cd "$tree/dist" && ls -d VexloDeletePrinter-* | grep -v '\.zip$' | head -n1)
mv "$tree/dist/$name" "$scratch/unsigned"
mkdir "$scratch/spy"
cat >"$scratch/spy/osslsigncode" <<EOF
#!/bin/sh
[ -z "\${VEXLO_SIGN_PASSWORD+set}" ] || echo "osslsigncode \$1" >>"$scratch/password-seen"
exec "$(command -v osslsigncode)" "\$@"
EOF
chmod +x "$scratch/spy/osslsigncode"
(cd "$scratch" && VEXLO_SIGN_PASSWORD='a test password' PATH="$scratch/spy:$PATH" \
    "$tree/scripts/package" "$scratch/build" --sign pki/signing.pfx >/dev/null)
check "programs started after the password was read that saw VEXLO_SIGN_PASSWORD" "" \
      "$(sort -u "$scratch/password-seen" 2>/dev/null | paste -sd' ')"
signed=$tree/dist/$name
pe_files="VexloDeletePrinter.dll VexloHost.exe x64/VexloDeletePrinter.dll x64/VexloHost.exe installer/VexloInstallerActions.dll installer/x64/VexloInstallerActions.dll"

listed=$(unzip -Z1 "$tree/dist/$name.zip" | grep '^[^/]*/signatures/' | sort | paste -sd ' ')
check "signatures in the zip" "$(printf "$name/signatures/%s.sig\n" $pe_files | sort | paste -sd ' ')" "$listed"
if (cd "$signed" && sha256sum --quiet -c SHA256SUMS); then pass "sha256sum -c SHA256SUMS"; else
    fail "sha256sum -c SHA256SUMS of the signed bundle"; fi
check "SHA256SUMS covers the signatures too" 33 "$(wc -l <"$signed/SHA256SUMS")"
check "README names the signer, and says the signatures, not time-stamped, end with the certificate" \
      "Signed (Authenticode, SHA-256) by: CN = Vexlo Test signing, O = Vexlo. The signatures alone are in signatures/. Not time-stamped: the signatures stop validating when the certificate expires ($(openssl x509 -in "$pki/signing.pem" -noout -enddate | sed 's/^notAfter=//'))." \
      "$(grep -m1 '^Signed' "$signed/README.txt" | tr -d '\r')"
check "the unsigned README says nothing of signing" "" "$(grep '^Signed\|@SIGNED@' "$scratch/unsigned/README.txt" || true)"

for file in $pe_files; do
    said=$(osslsigncode verify -CAfile "$pki/ca.pem" -in "$signed/$file" 2>&1) && code=0 || code=$?
    check "$file: osslsigncode verify against the test authority" "0 Signature verification: ok" \
          "$code $(grep -m1 -o 'Signature verification: [a-z]*' <<<"$said")"
    osslsigncode attach-signature -sigin "$signed/signatures/$file.sig" -in "$scratch/unsigned/$file" \
        -out "$scratch/attached" >/dev/null 2>&1 || true
    if cmp -s "$scratch/attached" "$signed/$file"; then
        pass "$file: the unsigned build with its detached signature attached is the signed file"
    else
        fail "$file: attaching signatures/$file.sig to the unsigned build does not give the signed file ($(cmp "$scratch/attached" "$signed/$file" 2>&1 || true))"
    fi
    rm -f "$scratch/attached"
done

# One byte of the code changed: the signature no longer holds.
cp "$signed/x64/VexloDeletePrinter.dll" "$scratch/tampered.dll"
byte=$(od -An -tu1 -j 1280 -N1 "$scratch/tampered.dll" | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$scratch/tampered.dll" bs=1 seek=1280 conv=notrunc 2>/dev/null
code=0
osslsigncode verify -CAfile "$pki/ca.pem" -in "$scratch/tampered.dll" >/dev/null 2>&1 || code=$?
check "one byte changed: osslsigncode verify refuses" "refused" "$([ "$code" -ne 0 ] && echo refused || echo accepted)"

# The signed host and DLL under Wine: the 64-bit ones here, the 32-bit ones
# here or, where this kernel runs no 32-bit code, in the emulated machine.
check "the signed 64-bit DLL answers under Wine" "IsConnected = 0, exit 0" \
      "$(tests/wine/answer.sh win64 "$signed/x64")"
if scripts/setup --can-run-32bit; then
    check "the signed 32-bit DLL answers under Wine" "IsConnected = 0, exit 0" "$(tests/wine/answer.sh win32 "$signed")"
elif [ "${VEXLO_NO_EMULATION:-}" = 1 ]; then
    reason="this machine cannot run 32-bit programs, and VEXLO_NO_EMULATION=1 asks for no emulated machine"
    if [ -n "${VEXLO_RESULTS:-}" ]; then (source tests/stages.sh; skip "the signed 32-bit DLL under Wine" "$reason")
    else echo "skipped: the signed 32-bit DLL under Wine: $reason"; fi
else
    check "the signed 32-bit DLL answers under Wine, in the emulated machine" "IsConnected = 0, exit 0" \
          "$(scripts/guest run --share "$signed" -- tests/wine/answer.sh win32 "$signed")"
fi

# Refusals, before anything is built: the message names the problem, and no
# bundle or zip appears in dist/.
rm -rf "$tree/dist"
while IFS='|' read -r what message args; do
    code=0
    # shellcheck disable=SC2086
    said=$(cd "$tree" && scripts/package "$scratch/build" $args 2>&1) || code=$?
    check "refuses $what: exit status" "nonzero" "$([ "$code" -ne 0 ] && echo nonzero || echo 0)"
    if grep -qF "$message" <<<"$said"; then pass "refuses $what: says '$message'"; else
        fail "refuses $what: expected a message with '$message', got [$said]"; fi
    check "refuses $what: no bundle written" "" "$(ls "$tree/dist" 2>/dev/null || true)"
done <<EOF
a missing certificate|no certificate file|--sign $pki/none.pfx --password-file $pki/password
a wrong password, with openssl's reason|with the password given; openssl says: Mac verify error: invalid password?|--sign $pki/signing.pfx --password-file $pki/wrong
a file that is no PKCS#12, with openssl's reason|with the password given; openssl says: |--sign $pki/password --password-file $pki/password
no password|needs the certificate's password|--sign $pki/signing.pfx
a certificate not for code signing|is not a code-signing certificate|--sign $pki/server.pfx --password-file $pki/password
an expired certificate|has expired|--sign $pki/expired.pfx --password-file $pki/password
EOF

# A relative --password-file is the caller's: from pki/, "wrong" is the
# wrong password, not a file missing from the checkout.
said=$(cd "$pki" && "$tree/scripts/package" "$scratch/build" --sign signing.pfx --password-file wrong 2>&1) || true
if grep -qF "Mac verify error" <<<"$said"; then pass "relative paths are taken from the caller's folder"; else
    fail "relative paths: expected openssl's refusal of the wrong password, got [$said]"; fi

checks_done "signing"
