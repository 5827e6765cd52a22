#!/usr/bin/env bash
# Runs program_bench from two build trees by turns, one transfer each per round, both
# against the second tree's vantrel-tavsim, and prints each figure's median per build: on
# a shared, noisy machine only turns taken in the same session compare.
# Usage: bench/program/compare_builds.sh [--rt] OLD_BUILD NEW_BUILD [ROUNDS]
#   --rt  the simulator and the benchmark at real-time priority (chrt; root): what is left
#         is the program's own share, not other processes' turns on the cores
set -euo pipefail

rt=()
if [[ "${1:-}" == --rt ]]; then rt=(chrt -f 10); shift; fi
if (($# < 2)); then sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 2; fi
old="$1" new="$2" rounds="${3:-5}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tavsim="$(realpath "$new/sim/tools/vantrel-tavsim")"
if ((${#rt[@]})); then
  printf '#!/bin/sh\nexec chrt -f 20 %s "$@"\n' "$tavsim" >"$work/tavsim"
  chmod +x "$work/tavsim"
  tavsim="$work/tavsim"
fi

for ((round = 1; round <= rounds; ++round)); do
  for build in old new; do
    dir="$old"; [[ "$build" == new ]] && dir="$new"
    VANTREL_BENCH_TAVSIM="$tavsim" "${rt[@]}" "$dir/bench/program/program_bench" 1 | grep '^run' |
      sed "s/^run 1/$build/" | tee -a "$work/figures"
  done
done

# Medians per build: transfer / floor, CPU %, ack to command (median, mean), pause (median, mean).
echo
printf '%-4s %8s %7s %10s %10s %10s %10s  (medians of %d rounds; ms)\n' build ratio cpu% ack-med ack-mean pause-med pause-mean "$rounds"
for build in old new; do
  awk -v b="$build" '
    $1 == b":" && $2 == "transfer" { ratio[++n] = $6; cpu[n] = $(NF-7) }
    $1 == b":" && $2 == "wire," { am[++m] = $11; amean[m] = $14; pm[m] = $18; pmean[m] = $21 }
    function median(a, k,   i, j, t) {
      for (i = 2; i <= k; ++i) for (j = i; j > 1 && a[j-1] + 0 > a[j] + 0; --j) { t = a[j]; a[j] = a[j-1]; a[j-1] = t }
      return k % 2 ? a[(k+1)/2] : (a[k/2] + a[k/2+1]) / 2
    }
    END {
      sub(/%/, "", cpu[1]); for (i = 2; i <= n; ++i) sub(/%/, "", cpu[i])
      printf "%-4s %8.4f %7.2f %10.3f %10.3f %10.3f %10.3f\n", b, median(ratio, n), median(cpu, n),
        median(am, m), median(amean, m), median(pm, m), median(pmean, m)
    }' "$work/figures"
done
