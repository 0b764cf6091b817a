#!/usr/bin/env bash
# A release signed with a key on a hardware token: a SoftHSM2 token made here,
# in a folder of this test's own, holds a throwaway key and its certificate
# (issued by a throwaway authority); scripts/package --sign takes the token's
# PKCS#11 URI, the module from VEXLO_SIGN_MODULE and the PIN from
# VEXLO_SIGN_PASSWORD (neither seen by the programs it starts), and
# time-stamps with an RFC 3161 server on the loopback address. Every signed
# file verifies, its time stamp too; a wrong PIN, a PIN in the URI, no
# module and an object not on the token are refused before anything is
# built, naming the problem.
# usage: tests/check_token_signing.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/checks.sh
scratch=$(mktemp -d /tmp/vexlo-token.XXXXXX)
responder=
trap '[ -z "$responder" ] || kill "$responder" 2>/dev/null; rm -rf "$scratch"' EXIT
unset VEXLO_SIGN_PASSWORD VEXLO_SIGN_MODULE
source tests/pki.sh
module=$softhsm_module
pki=$scratch/pki
mkdir -p "$pki"

# The authority, the signing key and certificate (onto a token of this
# test's own, then off the disk), and the time stamp authority's.
pki_authority "$pki"
pki_issue "$pki" token codeSigning 2
pki_issue "$pki" tsa critical,timeStamping 2
pki_token "$scratch" "vexlo test" 4321 "$pki" token "release signer"

cat >"$pki/tsa.cnf" <<EOF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $pki/tsa.serial
signer_cert = $pki/tsa.pem
certs = $pki/ca.pem
signer_key = $pki/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
echo 01 >"$pki/tsa.serial"
coproc TSA { exec python3 tests/tsa_responder.py "$pki/tsa.cnf"; }
responder=$TSA_PID
read -r port <&"${TSA[0]}"

tree=$scratch/tree
mkdir "$tree"
tar --exclude=./build --exclude=./dist -cf - . | tar -xf - -C "$tree"
uri="pkcs11:token=vexlo%20test;object=release%20signer"

# Refusals, before anything is built: nothing in dist/.
while IFS='|' read -r what message module_given pin_given uri_given; do
    code=0
    said=$(cd "$tree" && env ${module_given:+VEXLO_SIGN_MODULE="$module_given"} \
           VEXLO_SIGN_PASSWORD="$pin_given" scripts/package "$scratch/build" --sign "$uri_given" 2>&1) || code=$?
    if [ "$code" -ne 0 ] && grep -qF "$message" <<<"$said"; then pass "refuses $what: '$message'"; else
        fail "refuses $what: expected a failure saying '$message', got exit $code: [$(tail -n 2 <<<"$said")]"; fi
    check "refuses $what: no bundle written" "" "$(ls "$tree/dist" 2>/dev/null || true)"
done <<EOF
a wrong PIN|cannot sign with the key of|$module|1111|$uri
a PIN in the URI|not in the URI|$module|4321|$uri;pin-value=4321
no module|needs the token's module|||$uri
an object not on the token|no certificate for|$module|4321|pkcs11:token=vexlo%20test;object=nobody
EOF

# The signed bundle. osslsigncode, started after both were read, tells
# whether it still sees the variables.
mkdir "$scratch/spy"
cat >"$scratch/spy/osslsigncode" <<EOF
#!/bin/sh
env | grep -q '^VEXLO_SIGN_' && echo "osslsigncode \$1" >>"$scratch/seen"
exec "$(command -v osslsigncode)" "\$@"
EOF
chmod +x "$scratch/spy/osslsigncode"
(cd "$tree" && VEXLO_SIGN_MODULE=$module VEXLO_SIGN_PASSWORD=4321 PATH="$scratch/spy:$PATH" \
    scripts/package "$scratch/build" --sign "$uri" --timestamp "http://127.0.0.1:$port/" >/dev/null)
check "programs started after the module and PIN were read that saw them" "" \
      "$(sort -u "$scratch/seen" 2>/dev/null | paste -sd ' ')"
name=$(cd "$tree/dist" && ls -d VexloDeletePrinter-* | grep -v '\.zip$' | head -n1)
signed=$tree/dist/$name
for file in VexloDeletePrinter.dll VexloHost.exe x64/VexloDeletePrinter.dll x64/VexloHost.exe \
            installer/VexloInstallerActions.dll installer/x64/VexloInstallerActions.dll; do
    said=$(osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$signed/$file" 2>&1) && code=0 || code=$?
    check "$file: signed on the token, verified with its time stamp" \
          "0|Timestamp Server Signature verification: ok|Subject: /CN=Vexlo Test token/O=Vexlo|Signature verification: ok" \
          "$code|$(grep -m1 -o 'Timestamp Server Signature verification: [a-z]*' <<<"$said")|$(grep -m1 -o 'Subject: /CN=Vexlo Test token/O=Vexlo' <<<"$said")|$(grep -m1 -o '^Signature verification: [a-z]*' <<<"$said")"
done
check "README: the signer and the time stamp" \
      "Signed (Authenticode, SHA-256) by: CN = Vexlo Test token, O = Vexlo. The signatures alone are in signatures/. Time-stamped (RFC 3161): the signatures stay valid after the certificate expires." \
      "$(grep -m1 '^Signed' "$signed/README.txt" | tr -d '\r')"
if (cd "$signed" && sha256sum --quiet -c SHA256SUMS); then pass "sha256sum -c SHA256SUMS"; else
    fail "sha256sum -c SHA256SUMS of the token-signed bundle"; fi

checks_done "token signing"
