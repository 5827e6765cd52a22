#!/usr/bin/env bash
# Installs what Vantrel needs on Debian 12 and builds it into build/. Safe to run again.
# Usage: scripts/setup.sh [extra Debian packages...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build clang
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev nlohmann-json3-dev libcli11-dev libssl-dev
  xvfb xauth xdotool fonts-dejavu-core
  dpkg-dev
)
# Callers may ask for more (run.sh --xvfb: imagemagick).
packages+=("$@")

scripts/install-packages.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
