#!/usr/bin/env bash
# Builds the Debian package from build/ (after scripts/setup.sh) and checks that it holds
# the programs, the desktop entries, the icon and the MIME type. Writes SHA256SUMS beside
# it and prints the package's path. Two runs on the same commit give the same bytes: the
# dates in the package are the last commit's (SOURCE_DATE_EPOCH, from git when not set).
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
umask 022

build="${VANTREL_BUILD_DIR:-build}"
rm -f "$build"/vantrel_*.deb "$build/SHA256SUMS"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
package="$(ls "$build"/vantrel_*.deb)"

contents="$(dpkg-deb -c "$package" | awk '{print $NF}')"
missing=0
for file in ./usr/bin/vantrel ./usr/bin/vantrel-bench ./usr/bin/vantrel-cli ./usr/bin/vantrel-tavsim \
            ./usr/share/applications/vantrel.desktop ./usr/share/applications/vantrel-bench.desktop \
            ./usr/share/mime/packages/vantrel-phx.xml \
            ./usr/share/icons/hicolor/scalable/apps/vantrel.svg; do
  grep -qxF "$file" <<<"$contents" || { echo "package.sh: $package lacks $file" >&2; missing=1; }
done
depends="$(dpkg-deb -f "$package" Depends)"
for library in libqt6widgets6 libqt6serialport6 libssl3; do
  grep -q "$library" <<<"$depends" || { echo "package.sh: Depends lacks $library: $depends" >&2; missing=1; }
done
((missing == 0)) || exit 1
(cd "$build" && sha256sum "$(basename "$package")" >SHA256SUMS)
echo "$package"
