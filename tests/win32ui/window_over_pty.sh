#!/usr/bin/env bash
# vantrel.exe under Wine on the virtual screen against a vantrel-tavsim tav on COM1,
# driven from another process by its controls' window messages (vantrel-window-driver):
# the file named on the command line loads, the search shows the tav, the row and
# Program Tav are pressed, and the tav holds the whole image; then the close box and
# Windows ending the session, each in the middle of a transfer.
# Usage: window_over_pty.sh BUILD_DIR TAVSIM SAMPLE_HEX
set -euo pipefail
build=$1 tavsim=$2 hex=$3
ports=$build/wine-ports
: "${WINEPREFIX:?run through scripts/windows.sh, which makes the Wine prefix}"
: "${DISPLAY:?run through scripts/windows.sh, which starts the virtual screen}"
export WINEDEBUG=-all
work=$(mktemp -d)
sim="" app=""
stop_tav() { if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; sim=""; fi; }
stop_app() { if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; app=""; fi; }
trap 'stop_app; stop_tav; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; [ ! -f "$work/driver" ] || cat "$work/driver"; exit 1; }

start_tav() {
  stop_tav
  rm -f "$ports/com1" "$work/report.json"
  "$tavsim" --link "$ports/com1" --report "$work/report.json" "$@" >/dev/null 2>"$work/trace" &
  sim=$!
  for _ in $(seq 50); do [ -L "$ports/com1" ] && return; sleep 0.1; done
  fail "vantrel-tavsim did not start"
}

# The file in a folder with a blank in its name: Wine quotes the argument, and the
# program takes the quotes off again.
mkdir -p "$work/My Files"
wine "$build/sim/tools/vantrel-phx.exe" --target "Tav model 00" --version 2.5 "$hex" "$work/My Files/fw.phx" \
  >/dev/null 2>>"$work/wine.log"
file=$(winepath -w "$work/My Files/fw.phx" 2>/dev/null)
# Each run's record goes to a file of the test's own.
VANTREL_RUNS=$(winepath -w "$work/runs.jsonl" 2>/dev/null)
export VANTREL_RUNS
# last_run_ended OUTCOME: the record's last two lines are one run's start and its end so.
last_run_ended() {
  local start end
  start=$(tail -n 2 "$work/runs.jsonl" | head -n 1) end=$(tail -n 1 "$work/runs.jsonl")
  [[ $start == *'"kind":"start"'*'"frontEnd":"window"'* && $end == *'"kind":"end"'*"\"outcome\":\"$1\""* ]] \
    || fail "the run record does not end with a run that ended $1: $(tail -n 2 "$work/runs.jsonl")"
}

# run_window HOW: vantrel.exe started on the file, the driver doing HOW; waits for the program to end.
run_window() {
  wine "$build/src/win32ui/vantrel.exe" "$file" 2>>"$work/wine.log" &
  app=$!
  wine "$build/tests/win32ui/vantrel-window-driver.exe" "$1" 2>>"$work/wine.log" | tr -d '\r' >"$work/driver" \
    || fail "driver ($1)"
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the window did not end ($1)"
  wait "$app" || true
  app=""
}

# The Intel HEX image as the tav stores it: each 16-byte block that holds any of its
# bytes, by word address, the bytes it does not hold FF; the last first.
declare -A image=()
while IFS= read -r line; do
  line=${line%$'\r'}
  [ "${line:7:2}" = 00 ] || continue
  address=$((16#${line:3:4}))
  for ((i = 0; i < 16#${line:1:2}; i++)); do image[$((address + i))]=${line:$((9 + 2 * i)):2}; done
done <"$hex"
for block in $(for a in "${!image[@]}"; do echo $((a / 16 * 16)); done | sort -nu); do
  data=""
  for ((i = 0; i < 16; i++)); do data+=${image[$((block + i))]:-FF}; done
  echo "$((block / 2)) $data"
done | tac >"$work/expected"
# The records of a tavsim report, one "wordAddress data" line each, whatever its layout.
report_records() {
  tr -d ' \n' <"$1" | { grep -o '"wordAddress":[0-9]*,"data":"[0-9A-F]*"' || true; } \
    | sed 's/"wordAddress":\([0-9]*\),"data":"\([0-9A-F]*\)"/\1 \2/'
}

start_tav --reply 11 --version 2.0
run_window program
stop_tav
shown=$(sed -n 's/^shown: //p' "$work/driver" | LC_ALL=C sort | tr '\n' ';')
[ "$shown" = "Tav model 00;Tav model 00 2.0;Version 2.5;" ] || fail "the window showed another file or search: $shown"
grep -qx 'box title: "OK! "' "$work/driver" && grep -qx 'box text: Tav reprogram suceeded' "$work/driver" \
  || fail "no success box"
report_records "$work/report.json" >"$work/stored"
cmp -s "$work/expected" "$work/stored" || fail "the tav stored another image: $(diff "$work/expected" "$work/stored" | head -5)"
last_run_ended succeeded
echo "ok: the window loads the command line's file, finds the tav and programs it, 369 records byte for byte, last first"

# The close box twice mid-transfer, then Windows ending the session: the transfer stops
# after the record being sent, the failure is told, the tav restarted, the window goes.
for how in close endsession; do
  start_tav --reply 11 --version 2.0
  run_window "$how"
  stop_tav
  grep -qx 'box title: "Error!"' "$work/driver" \
    && grep -qx 'box text: Tav failed to reprogram. Tav must be programmed to operate' "$work/driver" \
    || fail "$how: no failure box"
  [ "$how" != endsession ] || grep -qx 'end session allowed: no' "$work/driver" || fail "the shutdown was not held"
  count=$(report_records "$work/report.json" | wc -l)
  { [ "$count" -ge 20 ] && [ "$count" -lt 369 ]; } || fail "$how: $count records stored"
  grep -q '"restarts": 2' "$work/report.json" || fail "$how: the tav was not restarted"
  last_run_ended stopped
  echo "ok: $how mid-transfer stops after $count records, restarts the tav, and the window ends"
done
