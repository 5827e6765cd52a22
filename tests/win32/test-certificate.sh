#!/usr/bin/env bash
# A throwaway certificate authority and code-signing certificates made by it, for the
# signing tests: DIR/ca.pem (the authority, for osslsigncode verify -CAfile),
# DIR/signer.pfx (a valid code-signing certificate, key and chain), DIR/expired.pfx (one
# that expired yesterday), DIR/server.pfx (one for web servers, not for code), all with
# the password in DIR/password.
# Usage: test-certificate.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
head -c 18 /dev/urandom | base64 >password
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Vantrel Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
# certificate NAME DAYS USAGE: NAME.pfx, signed by the authority, valid DAYS days from now.
certificate() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Vantrel Test $1" 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days "$2" -extfile "$1.ext" \
    -out "$1.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -certfile ca.pem -out "$1.pfx" -passout file:password
  rm -f "$1.key" "$1.csr" "$1.ext"
}
certificate signer 2 codeSigning
certificate expired -1 codeSigning
certificate server 2 serverAuth
rm -f ca.key ca.srl
