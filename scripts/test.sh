#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test suite (plus a short fuzzing run).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# The window tests run without a screen.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 600

# Every suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
scripts/sanitize.sh

# The Windows console program, cross-built and run under Wine.
scripts/windows.sh

# The Debian package builds and holds the programs, the desktop entry and the MIME type.
scripts/package.sh

if [ -x scripts/fuzz.sh ]; then
  FUZZ_SECONDS="${FUZZ_SECONDS:-60}" scripts/fuzz.sh
fi
