#!/usr/bin/env bash
# A Windows release made with a certificate (scripts/windows.sh with VANTREL_SIGN_PFX):
# the installer and every program in the ZIP carry a SHA-256 Authenticode signature that
# verifies against the certificate's authority, and SHA256SUMS matches the packages.
# Usage: signed-release.sh BUILD_DIR CA_FILE
set -euo pipefail
build=$1 ca=$(realpath "$2")
fail() { echo "FAILED: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

verify() {
  osslsigncode verify -CAfile "$ca" -in "$1" >"$work/verify.log" 2>&1 || fail "$(basename "$1"): $(cat "$work/verify.log")"
  grep -q "Message digest algorithm *: SHA256" "$work/verify.log" || fail "$(basename "$1") is not signed with SHA-256"
  echo "ok: $(basename "$1") is signed"
}
verify "$(ls "$build"/vantrel-*-win64.exe)"
unzip -q "$(ls "$build"/vantrel-*-win64.zip)" -d "$work/zip"
programs=$(find "$work/zip" -name '*.exe' | sort)
[ -n "$programs" ] || fail "no program in the ZIP"
while read -r program; do verify "$program"; done <<<"$programs"
(cd "$build" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
echo "ok: SHA256SUMS matches $(cut -d' ' -f3 "$build/SHA256SUMS" | xargs)"
