#!/usr/bin/env bash
# Makes the Windows release from a cross-build (scripts/windows.sh builds and tests it):
# the programs stripped and, with a certificate (VANTREL_SIGN_PFX, see sign-windows.sh),
# signed; then a ZIP and an installer holding them; the installer signed last; all in
# BUILD_DIR: vantrel-<version>-win64.zip  vantrel-<version>-win64.exe
# Usage: windows-release.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=vantrel-$version-win64
work=$build/release
rm -rf "$work" "$build/$name.zip" "$build/$name.exe"
stage=$work/$name
cmake --install "$build" --prefix "$stage" --strip >"$build/release.log"

# The programs this build has; the installer and the ZIP take them as signed here.
programs=()
for program in vantrel.exe vantrel-cli.exe vantrel-bench.exe; do
  [ ! -f "$stage/$program" ] || programs+=("$stage/$program")
done
if [ -n "${VANTREL_SIGN_PFX:-}" ]; then
  scripts/sign-windows.sh "${programs[@]}"
else
  echo "windows-release.sh: no VANTREL_SIGN_PFX: the programs and the installer are not signed"
fi

(cd "$work" && zip -q -r "$build/$name.zip" "$name")

# The installer packs the same folder (packaging/WindowsReleaseStage.cmake).
VANTREL_RELEASE_STAGE=$stage cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$work/cpack" \
  >>"$build/release.log" 2>&1 || { cat "$build/release.log" >&2; exit 1; }
mv "$work/cpack/$name.exe" "$build/$name.exe"
[ -z "${VANTREL_SIGN_PFX:-}" ] || scripts/sign-windows.sh "$build/$name.exe"
echo "$build/$name.zip"
echo "$build/$name.exe"
