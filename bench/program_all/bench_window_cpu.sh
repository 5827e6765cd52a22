#!/usr/bin/env bash
# The real bench window's CPU on an X server of its own (Xvfb), over pseudo-terminals with
# vantrel-tavsim: vantrel-bench --watch on four silent ports for 10 s (target at most 1%
# of one core), then on four older tavs that it programs at once (target at most 2% of
# one core per tav). The process's user and system time from /proc, all its threads.
# Run by scripts/bench.sh from the build folder, where CMake put it.
set -euo pipefail
cd "@PROJECT_SOURCE_DIR@"
build="@PROJECT_BINARY_DIR@"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-window-cpu.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wait_for() {  # wait_for SECONDS COMMAND...
  local tries=$(($1 * 20)); shift
  until "$@"; do ((tries-- > 0)) || { echo "window_cpu: timed out: $*" >&2; exit 1; }; sleep 0.05; done
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
export VANTREL_REGISTRY="$work/registry.reg" VANTREL_RUNS="$work/runs.jsonl" XDG_CONFIG_HOME="$work/config"
python3 - "$work/fw.hex" <<'PYEOF'
import sys
# 900 records of 16 bytes from byte address 0x0100, and the end record.
lines = []
for i in range(900):
    addr = 0x0100 + 16 * i
    data = [(i * 7 + k * 13) & 0xFF for k in range(16)]
    body = [16, addr >> 8, addr & 0xFF, 0] + data
    lines.append(":" + "".join("%02X" % b for b in body) + "%02X" % (-sum(body) & 0xFF))
lines.append(":00000001FF")
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PYEOF
"$build/sim/tools/vantrel-phx" --target "Tav model 00" --version 3.0 "$work/fw.hex" "$work/fw.phx" >/dev/null
hz=$(getconf CLK_TCK)

run() {  # run LABEL SECONDS|programmed TAVSIM_ARGS...
  local label="$1" until="$2"; shift 2
  local sims=() n
  for n in 1 2 3 4; do
    "$build/sim/tools/vantrel-tavsim" --link "$work/$label$n" "$@" >/dev/null 2>&1 &
    pids+=($!); sims+=($!)
    wait_for 10 test -e "$work/$label$n"
    export "VANTREL_COM$n=$(readlink -f "$work/$label$n")"
  done
  rm -f "$work/runs.jsonl"
  "$build/src/qt/vantrel-bench" --watch "$work/fw.phx" >/dev/null 2>&1 &
  local bench=$!
  pids+=("$bench")
  sleep 1  # start-up is not the steady state
  local start_ticks start_time
  start_ticks=$(ticks "$bench"); start_time=$(date +%s.%N)
  if [ "$until" = programmed ]; then
    ended() { [ -f "$work/runs.jsonl" ] && [ "$(grep -c '"kind":"end"' "$work/runs.jsonl")" -ge 4 ]; }
    wait_for 120 ended
  else
    sleep "$until"
  fi
  local used=$(( $(ticks "$bench") - start_ticks )) wall
  wall=$(echo "$(date +%s.%N) - $start_time" | bc -l)
  kill "$bench"; wait "$bench" 2>/dev/null || true
  for n in "${sims[@]}"; do kill "$n" 2>/dev/null || true; done
  echo "$used $hz $wall"
}

read -r used hz wall < <(run silent 10 --silent)
printf 'watching four silent ports: %.2f%% of one core over %.1f s (target <= 1%%)\n' \
  "$(echo "100 * $used / $hz / $wall" | bc -l)" "$wall"
read -r used hz wall < <(run older programmed --reply 11 --version 2.0)
printf 'programming four tavs at once (900 records): %.2f%% of one core per tav over %.1f s (target <= 2%%)\n' \
  "$(echo "100 * $used / $hz / $wall / 4" | bc -l)" "$wall"
