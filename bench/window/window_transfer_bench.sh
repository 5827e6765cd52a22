#!/usr/bin/env bash
# The window programming a whole image (369 records of data/demo) into a simulated tav on
# COM1, driven by xdotool on an Xvfb of its own: the time from the run record's start line
# to the success box, and the program's CPU time over it, for three runs.
# Usage: window_transfer_bench [BUILD_DIR]   (made by CMake from bench/window)
set -uo pipefail
source_dir="@PROJECT_SOURCE_DIR@"
build_dir="${1:-@PROJECT_BINARY_DIR@}"
for tool in Xvfb xdotool; do command -v "$tool" >/dev/null || { echo "window_transfer_bench: $tool is missing" >&2; exit 1; }; done

wait_for() { local tries=$(($1 * 20)); shift; until "$@"; do ((tries-- > 0)) || return 1; sleep 0.05; done; }

one_run() {
  local work pid window box c0 c1 t0 t1
  work="$(mktemp -d)"
  trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' RETURN
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
  wait_for 10 test -s "$work/display" || return 1
  export DISPLAY=":$(cat "$work/display")"
  "$build_dir/sim/tools/vantrel-tavsim" --link "$work/COM1" --reply 55 --version 2.5 --trace 2>"$work/tav.log" >/dev/null &
  wait_for 10 test -e "$work/COM1" || return 1
  "$build_dir/sim/tools/vantrel-phx" --target "Tav model 04 " --version 3.0 \
    "$source_dir/data/demo/tav-firmware.hex" "$work/fw.PHX" >/dev/null || return 1
  chmod 700 "$work"
  QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" VANTREL_COM1="$work/COM1" VANTREL_COM2=none VANTREL_COM3=none \
    VANTREL_COM4=none VANTREL_REGISTRY="$work/registry.reg" VANTREL_RUNS="$work/runs.jsonl" \
    "$build_dir/src/qt/vantrel" "$work/fw.PHX" >/dev/null 2>&1 &
  pid=$!
  wait_for 20 eval 'window="$(xdotool search --onlyvisible --name "^Vantrel " 2>/dev/null | head -n1)"; [ -n "$window" ]' || return 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  wait_for 30 grep -q " out " "$work/tav.log" || return 1  # the search has found the tav
  sleep 1
  xdotool mousemove --window "$window" $((465 * WIDTH / 2850)) $((1582 * WIDTH / 2850)) click 1  # row 1
  sleep 0.3
  c0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  xdotool mousemove --window "$window" $((1207 * WIDTH / 2850)) $((3787 * WIDTH / 2850)) click 1  # Program Tav
  wait_for 120 eval 'box="$(xdotool search --onlyvisible --name "^OK! \$" 2>/dev/null | head -n1)"; [ -n "$box" ]' || return 1
  c1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  t1=$(date +%s.%N)
  t0=$(date -d "$(grep -o '"at":"[^"]*"' "$work/runs.jsonl" | head -n1 | cut -d'"' -f4)" +%s.%N)
  awk -v t0="$t0" -v t1="$t1" -v c0="$c0" -v c1="$c1" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { t = t1 - t0; c = (c1 - c0) / hz; printf "transfer %.2f s, CPU %.2f s (%.1f %% of one core)\n", t, c, 100 * c / t }'
}

for run in 1 2 3; do
  printf 'run %d: ' "$run"
  one_run || { echo "window_transfer_bench: run $run did not complete" >&2; exit 1; }
done
