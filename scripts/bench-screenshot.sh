#!/usr/bin/env bash
# Takes docs/images/bench-linux.png: vantrel-bench watching on an X server of its own, with
# simulated tavs on pseudo-terminals: COM1 programmed, COM2 plugged in after it and caught
# half-way, COM3 of another type, COM4 with no device. Needs build/ (scripts/setup.sh),
# Xvfb, xdotool and ImageMagick's import.
# Usage: scripts/bench-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${VANTREL_BUILD_DIR:-build}"
output="${1:-docs/images/bench-linux.png}"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "bench-screenshot: $tool is missing (scripts/setup.sh imagemagick)" >&2; exit 1; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-bench-shot.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wait_for() {  # wait_for SECONDS COMMAND...
  local tries=$(($1 * 20)); shift
  until "$@"; do ((tries-- > 0)) || { echo "bench-screenshot: timed out: $*" >&2; exit 1; }; sleep 0.05; done
}

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.err" &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"

tav() {  # tav N ARGS...: a simulated tav behind $work/COMN
  local n=$1; shift
  "$build/sim/tools/vantrel-tavsim" --link "$work/COM$n" "$@" >/dev/null 2>"$work/tav$n.err" &
  pids+=($!)
  wait_for 10 test -e "$work/COM$n"
}
tav 1 --reply 11 --version 2.0
tav 2 --reply 11 --version 2.1 --unplugged
com2=${pids[-1]}
tav 3 --reply 22 --version 1.0
"$build/sim/tools/vantrel-phx" --target "Tav model 00" --version 2.5 tests/data/sample.hex "$work/fw.phx" >/dev/null

# The slots show the pseudo-terminals themselves, as they would show /dev/ttyUSB0.
VANTREL_COM1="$(readlink -f "$work/COM1")" VANTREL_COM2="$(readlink -f "$work/COM2")" \
  VANTREL_COM3="$(readlink -f "$work/COM3")" VANTREL_COM4=none \
  VANTREL_REGISTRY="$work/registry.reg" VANTREL_RUNS="$work/runs.jsonl" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb \
  "$build/src/qt/vantrel-bench" --watch "$work/fw.phx" >"$work/bench.log" 2>&1 &
pids+=($!)
ended() { [ -f "$work/runs.jsonl" ] && [ "$(grep -c "\"kind\":\"$1\"" "$work/runs.jsonl")" -ge "$2" ]; }
wait_for 30 ended end 1   # COM1 programmed
kill -USR2 "$com2"        # the next tav plugged into COM2
wait_for 30 ended start 2
sleep 2.5                 # about half its records are in
window="$(xdotool search --name '^Vantrel Bench$' | head -n1)"
import -window "$window" "$output"
echo "$output"
