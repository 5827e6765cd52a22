#!/usr/bin/env bash
# Authenticode signing (scripts/sign-windows.sh) with a throwaway certificate authority:
# signed programs verify against it and one changed byte breaks that; a certificate that
# cannot sign (wrong password, expired, not for code, unreadable) stops with a message,
# signs nothing and never shows the password; and the release stops there too, before it
# makes or removes any package.
# Usage: signing.sh SOURCE_DIR BUILD_DIR PROGRAM.exe...
set -euo pipefail
source=$1 build=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

"$source/tests/win32/test-certificate.sh" "$work/certs"
certs=$work/certs
export VANTREL_SIGN_PFX=$certs/signer.pfx VANTREL_SIGN_PASSWORD_FILE=$certs/password
unset VANTREL_SIGN_TIMESTAMP_URL
verifies() { osslsigncode verify -CAfile "$certs/ca.pem" -in "$1" >"$work/verify.log" 2>&1; }

for program in "$@"; do
  copy=$work/$(basename "$program")
  cp "$program" "$copy"
  "$source/scripts/sign-windows.sh" "$copy" >/dev/null
  verifies "$copy" || fail "$(basename "$program") signed does not verify: $(cat "$work/verify.log")"
  grep -q "Message digest algorithm *: SHA256" "$work/verify.log" || fail "$(basename "$program") not signed with SHA-256"
  # One byte of the program's code, halfway through, changed.
  offset=$(($(stat -c %s "$program") / 2))
  byte=$(od -An -tu1 -j "$offset" -N1 "$copy" | tr -d ' ')
  printf "\\$(printf %03o $(((byte + 1) % 256)))" | dd of="$copy" bs=1 seek="$offset" conv=notrunc 2>/dev/null
  ! verifies "$copy" || fail "$(basename "$program") verifies with a changed byte"
  echo "ok: $(basename "$program") signed verifies, and no longer with one byte changed"
done

program=$work/unsigned.exe
echo "not the password" >"$work/wrong"
cases=(
  "wrong password|$certs/signer.pfx|$work/wrong|wrong password"
  "expired|$certs/expired.pfx|$certs/password|expired on"
  "not for code|$certs/server.pfx|$certs/password|not for code signing"
  "not PKCS#12|$certs/ca.pem|$certs/password|not a PKCS#12 file"
  "no such certificate|$work/none.pfx|$certs/password|cannot read the certificate"
  "no password file|$certs/signer.pfx|$work/none|cannot read the password file"
)
for case in "${cases[@]}"; do
  IFS='|' read -r name pfx password expected <<<"$case"
  cp "$1" "$program"
  status=0
  out=$(VANTREL_SIGN_PFX=$pfx VANTREL_SIGN_PASSWORD_FILE=$password "$source/scripts/sign-windows.sh" "$program" 2>&1) \
    || status=$?
  [ "$status" -eq 1 ] || fail "$name: sign-windows.sh exited $status: $out"
  grep -qF "$expected" <<<"$out" || fail "$name: said '$out', not '$expected'"
  ! grep -qF "$(head -n1 "$certs/password")" <<<"$out" || fail "$name: the password was shown"
  cmp -s "$1" "$program" || fail "$name: the program was changed"
  echo "ok: $name: $out"
done

released() { ls -l --time-style=full-iso "$build" | grep -E 'vantrel-.*-win64|SHA256SUMS|release$' || true; }
before=$(released)
status=0
VANTREL_SIGN_PASSWORD_FILE=$work/wrong "$source/scripts/windows-release.sh" "$build" >"$work/release.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "the release went on with a wrong password"
grep -q "wrong password" "$work/release.log" || fail "the release stopped otherwise: $(cat "$work/release.log")"
[ "$(released)" = "$before" ] || fail "the release made or removed packages: $(released)"
echo "ok: a wrong password stops the release before it makes or removes any package"
