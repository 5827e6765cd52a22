#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test suite (plus a short fuzzing run).
# CI runs it without options: the whole run. --quick is for a developer between commits.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  cat <<'EOF'
Usage: scripts/test.sh [--quick]

  (no option)  install and build (scripts/setup.sh), every suite in build/, every suite
               again under AddressSanitizer and UBSan (build-asan/), the Windows suites
               under Wine (build-windows/) and the signed Windows release, the Debian
               package check, the Windows release's reproducibility, a short fuzzing
               round (FUZZ_SECONDS, default 30): what CI runs
  --quick      install and build, then every suite in build/ only
  --help, -h   this text
EOF
}

quick=0
while (($#)); do
  case "$1" in
    --quick) quick=1 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "test.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
  esac
  shift
done

scripts/setup.sh
# The window tests run without a screen.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 600
if ((quick)); then
  echo "test.sh --quick: the suites in build/ passed (not run: sanitizers, Wine, package, fuzzing)"
  exit 0
fi

# Every suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
scripts/sanitize.sh

# The Windows programs, cross-built and run under Wine, and their release: signed with a
# throwaway certificate made here (unless a real one is given), so that the installer
# test installs a signed installer.
if [ -n "${VANTREL_SIGN_PFX:-}" ]; then
  scripts/windows.sh
else
  certs=$(mktemp -d)
  trap 'rm -rf "$certs"' EXIT
  tests/win32/test-certificate.sh "$certs"
  VANTREL_SIGN_PFX=$certs/signer.pfx VANTREL_SIGN_PASSWORD_FILE=$certs/password scripts/windows.sh
  tests/win32/signed-release.sh build-windows "$certs/ca.pem"
fi

# The Debian package builds and holds the programs, the desktop entry and the MIME type.
scripts/package.sh

# The Windows release builds bit for bit the same twice, in two other folders (about 4
# minutes on two idle cores; the .deb as well would take as long again: by hand, with
# scripts/reproduce.sh --deb).
scripts/reproduce.sh --windows --programs

if [ -x scripts/fuzz.sh ]; then
  FUZZ_SECONDS="${FUZZ_SECONDS:-30}" scripts/fuzz.sh
fi
