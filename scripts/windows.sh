#!/usr/bin/env bash
# Cross-builds the Windows programs (the console's vantrel-cli.exe, the window's
# vantrel.exe and the bench window's vantrel-bench.exe) with MinGW-w64 into
# build-windows/ and runs the Windows suites under Wine,
# on a virtual screen of its own (Xvfb), in a Wine prefix of its own made afresh under
# build-windows/. Needs the Linux build's vantrel-tavsim (scripts/setup.sh builds it) for
# the end-to-end test over Wine's COM1. Then makes the release (scripts/windows-release.sh:
# the programs, a ZIP and an installer, signed when VANTREL_SIGN_PFX names a code-signing
# certificate, and SHA256SUMS), and tries the installer in a fresh prefix of its own
# (tests/win32/installer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 googletest nlohmann-json3-dev libcli11-dev cmake ninja-build zip unzip nsis xvfb osslsigncode openssl)
scripts/install-packages.sh "${packages[@]}"
# A certificate that will not sign stops the build now rather than after it.
[ -z "${VANTREL_SIGN_PFX:-}" ] || scripts/sign-windows.sh

[ -f build/build.ninja ] || scripts/setup.sh
cmake --build build --target vantrel-tavsim >/dev/null
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVANTREL_WITH_QT=OFF \
  -DVANTREL_HOST_TAVSIM="$PWD/build/sim/tools/vantrel-tavsim" >/dev/null
cmake --build build-windows

# The window's suites need a screen: a virtual one, on the first display number free (so
# that runs side by side never meet), gone with this script.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
read -r -t 10 -u "$display_fd" display || { echo "Xvfb did not start" >&2; exit 1; }
exec {display_fd}<&-

# A fresh prefix on that screen. COM1..COM4 lead to symlinks in
# build-windows/wine-ports, which the end-to-end test points at its simulators' ptys;
# Wine's mount manager makes the dosdevices links from these values when it starts.
export WINEPREFIX=$PWD/build-windows/wineprefix WINEDEBUG=-all WINEARCH=win64 DISPLAY=:$display
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p build-windows/wine-ports
wineboot --init >/dev/null 2>&1
for n in 1 2 3 4; do
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$PWD/build-windows/wine-ports/com$n" /f >/dev/null 2>&1
done
wineserver -k >/dev/null 2>&1 || true
wineserver -w
# One server for the whole run, its own messages in a log rather than in the test output.
# Wine's helper processes (services, device manager, explorer) start with the first
# program and inherit its output: started here, they never hold a test's pipes open.
wineserver -p >build-windows/wineserver.log 2>&1
wine cmd.exe /c exit >>build-windows/wineserver.log 2>&1

status=0
ctest --test-dir build-windows --output-on-failure -j2 --timeout 600 || status=$?
wineserver -k >/dev/null 2>&1 || true
[ "$status" -eq 0 ] || exit "$status"

scripts/windows-release.sh build-windows
tests/win32/installer.sh "$(ls build-windows/vantrel-*-win64.exe)" build-windows
