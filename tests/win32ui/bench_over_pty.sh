#!/usr/bin/env bash
# vantrel-bench.exe under Wine on the virtual screen against a vantrel-tavsim tav on COM1,
# driven from another process by its controls' window messages, found by their IDs
# (vantrel-window-driver): the file named on the command line loads, Program all is
# pressed (twice: the second starts nothing), COM1's status says it was programmed and
# the tav holds the whole image; started with --watch, the bench programs the tav by
# itself; and the close box in the middle of a transfer stops it at a record boundary,
# restarts the tav, and the program ends with 0. A wrong command line is told in a box
# with the usage, and the program ends with 2.
# Usage: bench_over_pty.sh BUILD_DIR TAVSIM SAMPLE_HEX
set -euo pipefail
build=$1 tavsim=$2 hex=$3
. "$(dirname "$0")/tav_on_com1.sh"

wine "$build/sim/tools/vantrel-phx.exe" --target "Tav model 00" --version 2.5 "$hex" "$work/fw.phx" \
  >/dev/null 2>>"$work/wine.log"
file=$(winepath -w "$work/fw.phx" 2>/dev/null)
expected_image "$hex" >"$work/expected"
records=$(wc -l <"$work/expected")

# run_bench HOW [--exit N] ARGS...: vantrel-bench.exe started with ARGS, the driver doing
# HOW; the program must end by itself, with N (0 unless said).
run_bench() {
  local how=$1 status=0 want=0
  shift
  [ "$1" != --exit ] || { want=$2; shift 2; }
  wine "$build/src/win32ui/vantrel-bench.exe" "$@" 2>>"$work/wine.log" &
  app=$!
  wine "$build/tests/win32ui/vantrel-window-driver.exe" "$how" 2>>"$work/wine.log" | tr -d '\r' >"$work/driver" \
    || fail "driver ($how)"
  for _ in $(seq 150); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the bench did not end ($how)"
  wait "$app" || status=$?
  app=""
  [ "$status" -eq "$want" ] || fail "the bench ended with $status ($how)"
}
# programmed_whole HOW: COM1 said so, and the tav holds the image byte for byte.
programmed_whole() {
  grep -qx "COM1: Programmed: $records records" "$work/driver" || fail "$1: COM1 does not say it was programmed"
  grep -qx "counts: 1 programmed, 0 failed" "$work/driver" || fail "$1: COM1's counts"
  for n in 2 3 4; do grep -qx "COM$n: No port" "$work/driver" || fail "$1: COM$n is not \"No port\""; done
  report_records "$work/report.json" >"$work/stored"
  cmp -s "$work/expected" "$work/stored" || fail "$1: the tav stored another image: $(diff "$work/expected" "$work/stored" | head -5)"
  last_run_ended bench succeeded
}

start_tav --reply 11 --version 2.0
run_bench bench-program "$file"
stop_tav
grep -qx "file: Tav model 00   version 2.5   $records records   SHA-256 [0-9a-f]\{12\}" "$work/driver" \
  || fail "the bench showed another file: $(grep '^file:' "$work/driver")"
programmed_whole "Program all"
grep -qx "watch: up" "$work/driver" || fail "the Watch toggle is down"
[ "$(grep -c '"kind":"start"' "$work/runs.jsonl")" -eq 1 ] || fail "a second click started a second run"
echo "ok: the bench loads the command line's file, Program all programs COM1's tav, $records records byte for byte"

start_tav --reply 11 --version 2.0
run_bench bench-watch --watch "$file"
stop_tav
programmed_whole "--watch"
grep -qx "watch: down" "$work/driver" || fail "--watch: the Watch toggle is up"
echo "ok: vantrel-bench --watch programs the tav it finds, and Exit ends the watch with 0"

start_tav --reply 11 --version 2.0
run_bench bench-close "$file"
stop_tav
count=$(report_records "$work/report.json" | wc -l)
{ [ "$count" -ge 20 ] && [ "$count" -lt "$records" ]; } || fail "close: $count records stored"
# The search left the tav as it was: the one restart is the stop's.
grep -q '"restarts": 1' "$work/report.json" && [[ $(tail -n 1 "$work/runs.jsonl") == *'"restart":"confirmed"'* ]] \
  || fail "close: the tav was not restarted"
last_run_ended bench stopped
echo "ok: the close box mid-transfer stops after $count records, restarts the tav, and the bench ends with 0"

run_bench bench-usage --exit 2 --bogus "$file"
grep -qx 'box title: "Vantrel Bench"' "$work/driver" && grep -qx "box text: unknown option '--bogus'" "$work/driver" \
  && grep -qx 'usage: vantrel-bench \[--watch\] \[FILE\]' "$work/driver" || fail "no usage box"
echo "ok: a wrong command line is told with the usage, and the bench ends with 2"
