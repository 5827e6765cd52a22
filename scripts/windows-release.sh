#!/usr/bin/env bash
# Makes the Windows release from a cross-build (scripts/windows.sh builds and tests it):
# the programs stripped and, with a certificate (VANTREL_SIGN_PFX, see sign-windows.sh),
# signed; then a ZIP and an installer holding them; the installer signed last; and
# SHA256SUMS beside them, all in BUILD_DIR:
#   vantrel-<version>-win64.zip  vantrel-<version>-win64.exe  SHA256SUMS
# Unsigned, two runs on the same commit give the same bytes: every date is the last
# commit's (SOURCE_DATE_EPOCH, taken from git when not set), the ZIP's entries are sorted
# and carry no owner, and every mode is fixed.
# Usage: windows-release.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
umask 022

# A certificate that will not sign stops the release before anything is made or removed.
[ -z "${VANTREL_SIGN_PFX:-}" ] || scripts/sign-windows.sh

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=vantrel-$version-win64
work=$build/release
rm -rf "$work" "$build/$name.zip" "$build/$name.exe" "$build/SHA256SUMS"
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

# The same modes and dates whoever builds, whenever.
chmod -R u=rwX,go=rX "$stage"
chmod 755 "${programs[@]}"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

(cd "$work" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q "$name.zip" -@)

# The installer packs the same folder (packaging/WindowsReleaseStage.cmake).
VANTREL_RELEASE_STAGE=$stage cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$work/cpack" \
  >>"$build/release.log" 2>&1 || { cat "$build/release.log" >&2; exit 1; }
[ -z "${VANTREL_SIGN_PFX:-}" ] || scripts/sign-windows.sh "$work/cpack/$name.exe"
# Only a release whose every signature was made reaches BUILD_DIR.
mv "$work/$name.zip" "$work/cpack/$name.exe" "$build/"

(cd "$build" && sha256sum "$name.zip" "$name.exe" >SHA256SUMS)
echo "$build/$name.zip"
echo "$build/$name.exe"
