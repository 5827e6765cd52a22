#!/usr/bin/env bash
# vantrel-cli --version names the program's version and the commit it was built from: the
# one this build was configured at, as git describes it, or "unknown" outside a checkout.
# Usage: version.sh VANTREL_CLI VERSION COMMIT
set -euo pipefail
cli=$1 version=$2 commit=$3
fail() { echo "FAILED: $*"; exit 1; }
[[ "$commit" =~ ^[^[:space:]()]+$ ]] || fail "the build names no commit: '$commit'"
out=$("$cli" --version)
[ "$out" = "vantrel-cli $version (commit $commit)" ] || fail "vantrel-cli --version printed: $out"
echo "ok: $out"
