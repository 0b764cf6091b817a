# Sourced by the signing tests: a throwaway certificate authority, the
# certificates it issues and a SoftHSM2 token, all in a folder of the test's
# own (nothing of the machine's own tokens or certificates is touched).
softhsm_module=/usr/lib/softhsm/libsofthsm2.so

quiet() {  # quiet <command...>: its output shown only when it fails, which ends the test
    "$@" >/dev/null 2>&1 || { echo "FAILED: $*"; "$@"; exit 1; }
}

pki_authority() {  # pki_authority <folder>: ca.key and ca.pem, valid two days
    quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/ca.key" -out "$1/ca.pem" -days 2 -subj "/CN=Vexlo Test CA"
}

pki_issue() {  # pki_issue <folder> <name> <extended key usage> <days>: <name>.key and <name>.pem, "CN=Vexlo Test <name>"
    printf 'extendedKeyUsage=%s\nkeyUsage=digitalSignature\n' "$3" >"$1/$2.ext"
    quiet openssl req -newkey rsa:2048 -nodes -keyout "$1/$2.key" -out "$1/$2.csr" -subj "/CN=Vexlo Test $2/O=Vexlo"
    quiet openssl x509 -req -in "$1/$2.csr" -CA "$1/ca.pem" -CAkey "$1/ca.key" -CAcreateserial -days "$4" \
        -extfile "$1/$2.ext" -out "$1/$2.pem"
}

pki_token() {  # pki_token <folder> <token label> <PIN> <certificate folder> <name> <object label>
    # A token in <folder>/tokens (SOFTHSM2_CONF exported to name it) holding
    # the key and certificate of <name>, under <object label>; the key is
    # then removed from the disk, as a token's key never is on one.
    mkdir -p "$1/tokens"
    printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$1/tokens" >"$1/softhsm2.conf"
    export SOFTHSM2_CONF=$1/softhsm2.conf
    quiet softhsm2-util --init-token --free --label "$2" --pin "$3" --so-pin 87654321
    quiet openssl pkcs8 -topk8 -nocrypt -in "$4/$5.key" -outform DER -out "$4/$5.key.der"
    quiet openssl x509 -in "$4/$5.pem" -outform DER -out "$4/$5.der"
    local object type file
    for object in "privkey $5.key.der" "cert $5.der"; do
        read -r type file <<<"$object"
        quiet pkcs11-tool --module "$softhsm_module" --token-label "$2" --login --pin "$3" --write-object "$4/$file" \
            --type "$type" --id 01 --label "$6"
    done
    rm -f "$4/$5.key" "$4/$5.key.der"
}
