#!/usr/bin/env bash
# The display lost while a tav is programmed, for real: the window on an X server of its
# own, a simulated tav on COM1, the row chosen and Program Tav pressed with xdotool; once
# records are going out, the X server is killed. Qt then ends the program by itself, and
# before it does, the transfer stops at a record boundary, the tav is restarted and the
# run record gets its end line.
# Usage: display_lost.sh SOURCE_DIR BUILD_DIR
set -uo pipefail

source_dir="$1"
build_dir="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-display-lost.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
give_up() { echo "FAIL: $*" >&2; for f in "$work"/*.log "$work"/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 60 "$f" >&2; }; done; exit 1; }
# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
  local tries=$(($1 * 20)); shift
  until "$@"; do ((tries-- > 0)) || return 1; sleep 0.05; done
}

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || give_up "$tool is missing (scripts/setup.sh installs it)"
done

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
pids+=("$xvfb")
wait_for 10 test -s "$work/display" || give_up "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

"$build_dir/sim/tools/vantrel-tavsim" --link "$work/COM1" --reply 55 --version 2.5 --trace \
  --report "$work/tav.json" 2>"$work/tav.log" >/dev/null &
tav=$!
pids+=("$tav")
wait_for 10 test -e "$work/COM1" || give_up "the simulated tav did not start"
"$build_dir/sim/tools/vantrel-phx" --target "Tav model 04 " --version 3.0 \
  "$source_dir/data/demo/tav-firmware.hex" "$work/firmware.PHX" >/dev/null || give_up "no firmware file"

export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
# In the sanitizer build: Qt's X11 keyboard support (libxkbcommon-x11) hands strndup a name
# without its terminating NUL, as strndup allows; strict string checks would stop there.
[ -z "${ASAN_OPTIONS:-}" ] || export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
export VANTREL_COM1="$work/COM1" VANTREL_COM2=none VANTREL_COM3=none VANTREL_COM4=none
export VANTREL_REGISTRY="$work/registry.reg" VANTREL_RUNS="$work/runs.jsonl"
chmod 700 "$work"
"$build_dir/src/qt/vantrel" "$work/firmware.PHX" >"$work/vantrel.log" 2>"$work/vantrel.err" &
vantrel=$!
pids+=("$vantrel")

window_id() { window="$(xdotool search --onlyvisible --name '^Vantrel ' 2>/dev/null | head -n1)" && [ -n "$window" ]; }
wait_for 20 window_id || give_up "no window appeared"
eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH among others
click_at_twips() {  # the window is laid out in twips, 2850 wide
  xdotool mousemove --window "$window" $(($1 * WIDTH / 2850)) $(($2 * WIDTH / 2850)) click 1
}

# The file loads by itself and the search follows; the tav answering is the sign it is found.
wait_for 30 grep -q " out " "$work/tav.log" || give_up "the search never reached the tav"
sleep 1
click_at_twips 465 1582   # row 1 (COM1)
sleep 0.3
click_at_twips 1207 3787  # Program Tav
wait_for 10 grep -q '"kind":"start"' "$work/runs.jsonl" 2>/dev/null || give_up "the transfer did not start"
sleep 1.5                 # records are going out

kill -KILL "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
lost_at=$(date +%s%N)
ended=0
for _ in $(seq 200); do kill -0 "$vantrel" 2>/dev/null || { ended=1; break; }; sleep 0.05; done
((ended)) || give_up "the program did not end after the display was lost"
wait "$vantrel"
status=$?
echo "display_lost: the program ended $(( ($(date +%s%N) - lost_at) / 1000000 )) ms after the display, status $status"
kill -TERM "$tav"
wait "$tav"

[ "$status" -eq 1 ] || fail "exit status $status, not Qt's 1"
for said in "The X11 connection broke" \
            "vantrel: the display has gone: the transfer stops at its next record boundary and the tav is restarted" \
            "vantrel: Error! Tav failed to reprogram. Tav must be programmed to operate"; do
  grep -qF "$said" "$work/vantrel.err" || fail "standard error lacks: $said"
done

end_line="$(grep '"kind":"end"' "$work/runs.jsonl")"
[ -n "$end_line" ] || fail "the run record has no end line: $(cat "$work/runs.jsonl")"
grep -q '"outcome":"stopped"' <<<"$end_line" || fail "not recorded as stopped: $end_line"
grep -q '"restart":"confirmed"' <<<"$end_line" || fail "restart not recorded as confirmed: $end_line"
acknowledged="$(grep -o '"acknowledged":[0-9]*' <<<"$end_line" | cut -d: -f2)"

report="$(tr -d ' \n' <"$work/tav.json")"
# Command 51 is the restart; the search sent one before the records too.
grep -q ',51\]}$' <<<"$report" || fail "the tav was not restarted after the records: $report"
grep -q '"completions":0' <<<"$report" || fail "the tav saw a completion: $report"
stored="$(grep -o '"wordAddress":' <<<"$report" | wc -l)"
[ "${acknowledged:-0}" -gt 0 ] || fail "no record was acknowledged before the display went"
[ "$stored" -eq "${acknowledged:--1}" ] || fail "the tav stored $stored records, $acknowledged were acknowledged"

((failures == 0)) || { cat "$work/vantrel.err" >&2; exit 1; }
echo "display_lost: $acknowledged records acknowledged, the tav restarted, the run recorded as stopped"
