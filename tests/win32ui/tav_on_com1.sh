# Sourced by the scripts that drive a window program under Wine against a vantrel-tavsim
# tav on COM1 (window_over_pty.sh, bench_over_pty.sh). Expects `build` and `tavsim` set;
# sets `work` (removed on exit) and `ports`, and gives:
#   start_tav ARGS...      a tav on COM1 (vantrel-tavsim ARGS), its report in $work/report.json
#   stop_tav, stop_app     end the tav, end the program started as $app
#   fail TEXT              the test fails, with the driver's output
#   expected_image HEX     the image as the tav stores it, one "wordAddress data" line each
#   report_records REPORT  the records of a tavsim report, in the same form
#   last_run_ended FRONT OUTCOME   the run record's last run was FRONT's and ended OUTCOME
: "${WINEPREFIX:?run through scripts/windows.sh, which makes the Wine prefix}"
: "${DISPLAY:?run through scripts/windows.sh, which starts the virtual screen}"
export WINEDEBUG=-all
ports=$build/wine-ports
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

# Each run's record goes to a file of the test's own.
VANTREL_RUNS=$(winepath -w "$work/runs.jsonl" 2>/dev/null)
export VANTREL_RUNS
last_run_ended() {
  local start end
  start=$(tail -n 2 "$work/runs.jsonl" | head -n 1) end=$(tail -n 1 "$work/runs.jsonl")
  [[ $start == *'"kind":"start"'*"\"frontEnd\":\"$1\""* && $end == *'"kind":"end"'*"\"outcome\":\"$2\""* ]] \
    || fail "the run record does not end with a $1 run that ended $2: $(tail -n 2 "$work/runs.jsonl")"
}

# The Intel HEX image as the tav stores it: each 16-byte block that holds any of its
# bytes, by word address, the bytes it does not hold FF; the last first.
expected_image() {
  local -A image=()
  local line address block data i
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ "${line:7:2}" = 00 ] || continue
    address=$((16#${line:3:4}))
    for ((i = 0; i < 16#${line:1:2}; i++)); do image[$((address + i))]=${line:$((9 + 2 * i)):2}; done
  done <"$1"
  for block in $(for a in "${!image[@]}"; do echo $((a / 16 * 16)); done | sort -nu); do
    data=""
    for ((i = 0; i < 16; i++)); do data+=${image[$((block + i))]:-FF}; done
    echo "$((block / 2)) $data"
  done | tac
}
# The records of a tavsim report, one "wordAddress data" line each, whatever its layout.
report_records() {
  tr -d ' \n' <"$1" | { grep -o '"wordAddress":[0-9]*,"data":"[0-9A-F]*"' || true; } \
    | sed 's/"wordAddress":\([0-9]*\),"data":"\([0-9A-F]*\)"/\1 \2/'
}
