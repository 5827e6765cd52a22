#!/usr/bin/env bash
# Checks that a commit's release builds bit for bit the same twice: exports the commit
# into two fresh folders at different paths, builds each there (without ccache, the
# second later, with another umask, time zone and locale), and compares the artefacts
# byte for byte with cmp. Prints each artefact's SHA-256 and whether it matched, and the
# time taken; exits 1 when anything differs. The artefacts are unsigned: a signature is
# made anew at every signing.
#   --windows   vantrel.exe, vantrel-bench.exe, vantrel-cli.exe (stripped, as released), the
#               ZIP, the installer
#   --programs  the same three programs as linked, debug information and all
#   --deb       the Debian package
#   (default: --windows --deb)
# Usage: scripts/reproduce.sh [--windows] [--programs] [--deb] [--keep] [COMMIT]
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0 programs=0 deb=0 keep=0 commit=HEAD
while (($#)); do
  case "$1" in
    --windows) windows=1 ;;
    --programs) programs=1 ;;
    --deb) deb=1 ;;
    --keep) keep=1 ;;
    -h|--help) sed -n '2,12s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) echo "reproduce.sh: unknown option '$1'" >&2; exit 2 ;;
    *) commit=$1 ;;
  esac
  shift
done
((windows || programs || deb)) || windows=1 deb=1
commit=$(git rev-parse --verify "$commit^{commit}")
# What a checkout of the commit would say of itself; the exported copies have no git.
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
described=$(git describe --tags --always --abbrev=12 "$commit")
unset VANTREL_SIGN_PFX VANTREL_SIGN_PASSWORD_FILE VANTREL_SIGN_TIMESTAMP_URL
export CCACHE_DISABLE=1

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-reproduce.XXXXXX")
((keep)) || trap 'rm -rf "$work"' EXIT
first=$work/one/vantrel second=$work/the-second-build/src/vantrel-$described
started=$SECONDS

# build DIR: the release artefacts of the commit, built in DIR.
build() {
  local source=$1
  mkdir -p "$source"
  git archive "$commit" | tar -x -C "$source"
  if ((windows || programs)); then
    cmake -S "$source" -B "$source/build-windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVANTREL_WITH_QT=OFF -DVANTREL_WITH_TESTS=OFF \
      -DVANTREL_COMMIT="$described" >"$source/configure-windows.log"
    nice cmake --build "$source/build-windows" --target vantrel vantrel-bench vantrel-cli >"$source/build-windows.log"
    ((!windows)) || "$source/scripts/windows-release.sh" "$source/build-windows" >"$source/release-windows.log"
  fi
  if ((deb)); then
    cmake -S "$source" -B "$source/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WITH_TESTS=OFF \
      -DVANTREL_COMMIT="$described" >"$source/configure-linux.log"
    nice cmake --build "$source/build" >"$source/build-linux.log"
    VANTREL_BUILD_DIR="$source/build" "$source/scripts/package.sh" >"$source/package.log"
  fi
}

echo "reproduce.sh: building $described twice in $work"
(umask 022 && TZ=UTC LC_ALL=C build "$first")
(umask 002 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 build "$second")

artefacts=()
if ((windows)); then
  name=vantrel-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$first/build-windows/CMakeCache.txt")-win64
  artefacts+=("build-windows/release/$name/vantrel.exe" "build-windows/release/$name/vantrel-bench.exe"
              "build-windows/release/$name/vantrel-cli.exe"
              "build-windows/$name.zip" "build-windows/$name.exe")
fi
((!programs)) || artefacts+=(build-windows/src/win32ui/vantrel.exe build-windows/src/win32ui/vantrel-bench.exe
                             build-windows/src/cli/vantrel-cli.exe)
((!deb)) || artefacts+=("$(cd "$first" && ls build/vantrel_*.deb)")

differ=0
for artefact in "${artefacts[@]}"; do
  sum=$(sha256sum <"$first/$artefact" | cut -d' ' -f1)
  if cmp -s "$first/$artefact" "$second/$artefact"; then
    echo "identical  $sum  $artefact"
  else
    echo "DIFFERS    $sum  $artefact"
    differ=1
  fi
done
echo "reproduce.sh: $((SECONDS - started)) s for two builds"
((keep)) && echo "reproduce.sh: kept $first and $second"
exit "$differ"
