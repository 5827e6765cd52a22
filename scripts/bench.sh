#!/usr/bin/env bash
# Builds Vantrel (scripts/setup.sh) and runs every benchmark under build/bench/, each
# printing its own figures. Benchmarks measure real time: run them on a quiet machine.
# Usage: scripts/bench.sh [--no-setup] [NAME...]   (NAME: only the benchmarks whose name holds it)
# The Windows build's benchmarks run under Wine, after scripts/windows.sh:
#   WINEPREFIX=$PWD/build-windows/wineprefix VANTREL_BUILD_DIR=build-windows scripts/bench.sh --no-setup
set -euo pipefail
cd "$(dirname "$0")/.."

run_setup=1
filters=()
for arg in "$@"; do
  case "$arg" in
    --no-setup) run_setup=0 ;;
    -h|--help) sed -n '2,4p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) filters+=("$arg") ;;
  esac
done
if ((run_setup)); then scripts/setup.sh; fi

build="${VANTREL_BUILD_DIR:-build}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

mapfile -t benches < <(find "$build/bench" -type f -perm -u+x \( -name 'bench_*' -o -name '*_bench' -o -name '*_bench.exe' \) | sort)
if ((${#benches[@]} == 0)); then
  echo "bench.sh: no benchmark executables under $build/bench" >&2
  exit 1
fi

failed=0
for bench in "${benches[@]}"; do
  name="$(basename "$bench")"
  if ((${#filters[@]})); then
    wanted=0
    for f in "${filters[@]}"; do [[ "$name" == *"$f"* ]] && wanted=1; done
    ((wanted)) || continue
  fi
  echo "== $name"
  runner=()
  [[ "$name" == *.exe ]] && runner=(wine)  # the Windows build's, e.g. VANTREL_BUILD_DIR=build-windows
  "${runner[@]}" "$bench" || { echo "bench.sh: $name failed (exit $?)" >&2; failed=1; }
  echo
done
exit "$failed"
