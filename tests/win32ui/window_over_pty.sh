#!/usr/bin/env bash
# vantrel.exe under Wine on the virtual screen against a vantrel-tavsim tav on COM1,
# driven from another process by its controls' window messages (vantrel-window-driver):
# the file named on the command line loads, the search shows the tav, the row and
# Program Tav are pressed, and the tav holds the whole image; then the close box and
# Windows ending the session, each in the middle of a transfer.
# Usage: window_over_pty.sh BUILD_DIR TAVSIM SAMPLE_HEX
set -euo pipefail
build=$1 tavsim=$2 hex=$3
. "$(dirname "$0")/tav_on_com1.sh"

# The file in a folder with a blank in its name: Wine quotes the argument, and the
# program takes the quotes off again.
mkdir -p "$work/My Files"
wine "$build/sim/tools/vantrel-phx.exe" --target "Tav model 00" --version 2.5 "$hex" "$work/My Files/fw.phx" \
  >/dev/null 2>>"$work/wine.log"
file=$(winepath -w "$work/My Files/fw.phx" 2>/dev/null)

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

expected_image "$hex" >"$work/expected"

start_tav --reply 11 --version 2.0
run_window program
stop_tav
shown=$(sed -n 's/^shown: //p' "$work/driver" | LC_ALL=C sort | tr '\n' ';')
[ "$shown" = "Tav model 00;Tav model 00 2.0;Version 2.5;" ] || fail "the window showed another file or search: $shown"
grep -qx 'box title: "OK! "' "$work/driver" && grep -qx 'box text: Tav reprogram suceeded' "$work/driver" \
  || fail "no success box"
report_records "$work/report.json" >"$work/stored"
cmp -s "$work/expected" "$work/stored" || fail "the tav stored another image: $(diff "$work/expected" "$work/stored" | head -5)"
last_run_ended window succeeded
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
  last_run_ended window stopped
  echo "ok: $how mid-transfer stops after $count records, restarts the tav, and the window ends"
done
