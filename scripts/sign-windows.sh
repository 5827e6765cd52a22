#!/usr/bin/env bash
# Signs Windows programs and installers in place with Authenticode (SHA-256), with the
# code-signing certificate named by the environment:
#   VANTREL_SIGN_PFX            the certificate and its private key, a PKCS#12 file
#   VANTREL_SIGN_PASSWORD_FILE  a file holding the PKCS#12 file's password (first line)
#   VANTREL_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamping service, so that the
#                               signatures stay valid after the certificate expires
# The password is only ever read from its file, never passed on a command line or printed.
# A certificate that cannot be read, a wrong password, an expired certificate or one not
# meant for code signing stops with a message and status 1 before anything is signed.
# Without files, only checks the certificate (so that a build can fail before it starts).
# Usage: sign-windows.sh [FILE...]
set -euo pipefail

fail() { echo "sign-windows.sh: $*" >&2; exit 1; }
pfx=${VANTREL_SIGN_PFX:?sign-windows.sh: VANTREL_SIGN_PFX names no certificate}
password=${VANTREL_SIGN_PASSWORD_FILE:-}
[ -r "$pfx" ] || fail "cannot read the certificate $pfx"
[ -n "$password" ] || fail "VANTREL_SIGN_PASSWORD_FILE is not set: it names the file holding the password of $pfx"
[ -r "$password" ] || fail "cannot read the password file $password"

# The signing certificate alone (no key), as openssl reads it: a wrong password or a damaged
# file fails here. Certificates of older Windows tools use algorithms OpenSSL 3 keeps in
# its legacy provider.
certificate=$(openssl pkcs12 -in "$pfx" -passin "file:$password" -nokeys -clcerts 2>/dev/null) \
  || certificate=$(openssl pkcs12 -legacy -in "$pfx" -passin "file:$password" -nokeys -clcerts 2>/dev/null) \
  || fail "cannot open $pfx: wrong password, or not a PKCS#12 file"
grep -q "BEGIN CERTIFICATE" <<<"$certificate" || fail "$pfx holds no certificate"
subject=$(openssl x509 -noout -subject -nameopt oneline <<<"$certificate" | sed 's/^subject= *//')
until=$(openssl x509 -noout -enddate <<<"$certificate" | sed 's/^notAfter=//')
openssl x509 -noout -checkend 0 <<<"$certificate" >/dev/null || fail "the certificate of $subject expired on $until"
usage=$(openssl x509 -noout -ext extendedKeyUsage <<<"$certificate" 2>/dev/null || true)
[ -z "$usage" ] || grep -q "Code Signing" <<<"$usage" || fail "the certificate of $subject is not for code signing"

for file in "$@"; do
  [ -f "$file" ] || fail "no such file to sign: $file"
  signed="$file.signed"
  rm -f "$signed"
  options=(-pkcs12 "$pfx" -readpass "$password" -h sha256 -n Vantrel)
  [ -z "${VANTREL_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$VANTREL_SIGN_TIMESTAMP_URL")
  if ! log=$(osslsigncode sign "${options[@]}" -in "$file" -out "$signed" 2>&1); then
    rm -f "$signed"
    fail "signing $file failed: $log"
  fi
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  echo "signed: $(basename "$file") ($subject, valid until $until)"
done
