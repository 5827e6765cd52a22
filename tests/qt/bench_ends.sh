#!/usr/bin/env bash
# vantrel-bench ended mid-transfer, for real: the window on an X server of its own,
# watching COM1, where a simulated tav is being programmed, when the program is ended in
# one of three ways: SIGTERM, its window destroyed from outside (xdotool windowclose), or
# the X server killed. Each time the transfer stops at a record boundary, the tav is
# restarted and the run record gets its end line before the program ends.
# Usage: bench_ends.sh SOURCE_DIR BUILD_DIR
set -uo pipefail

source_dir="$1"
build_dir="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-bench-ends.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
give_up() { echo "FAIL: $*" >&2; for f in "$work"/*/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 40 "$f" >&2; }; done; exit 1; }
wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
  local tries=$(($1 * 20)); shift
  until "$@"; do ((tries-- > 0)) || return 1; sleep 0.05; done
}

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || give_up "$tool is missing (scripts/setup.sh installs it)"
done
"$build_dir/sim/tools/vantrel-phx" --target "Tav model 00" --version 2.5 \
  "$source_dir/tests/data/sample.hex" "$work/firmware.phx" >/dev/null || give_up "no firmware file"
export QT_QPA_PLATFORM=xcb VANTREL_COM2=none VANTREL_COM3=none VANTREL_COM4=none
[ -z "${ASAN_OPTIONS:-}" ] || export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"

# end_mid_transfer NAME EXPECTED_STATUS: starts everything afresh, lets records go out,
# then ends the program as NAME says.
end_mid_transfer() {
  local name="$1" expected="$2" dir="$work/$1"
  mkdir -p "$dir" && chmod 700 "$dir"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$dir/display" 2>"$dir/xvfb.err" &
  local xvfb=$!
  pids+=("$xvfb")
  wait_for 10 test -s "$dir/display" || give_up "$name: Xvfb did not start"
  "$build_dir/sim/tools/vantrel-tavsim" --link "$dir/COM1" --reply 11 --version 2.0 \
    --report "$dir/tav.json" >/dev/null 2>"$dir/tav.err" &
  local tav=$!
  pids+=("$tav")
  wait_for 10 test -e "$dir/COM1" || give_up "$name: the simulated tav did not start"

  DISPLAY=":$(cat "$dir/display")" XDG_RUNTIME_DIR="$dir" VANTREL_COM1="$dir/COM1" \
    VANTREL_REGISTRY="$dir/registry.reg" VANTREL_RUNS="$dir/runs.jsonl" XDG_CONFIG_HOME="$dir/config" \
    "$build_dir/src/qt/vantrel-bench" --watch "$work/firmware.phx" >"$dir/bench.log" 2>"$dir/bench.err" &
  local bench=$!
  pids+=("$bench")
  wait_for 20 grep -q '"kind":"start"' "$dir/runs.jsonl" 2>/dev/null || give_up "$name: the transfer did not start"
  sleep 1  # records are going out

  case "$name" in
    sigterm) kill -TERM "$bench" ;;
    window_destroyed)
      DISPLAY=":$(cat "$dir/display")" xdotool search --name '^Vantrel Bench$' windowclose ||
        give_up "$name: no window to destroy" ;;
    display_lost) kill -KILL "$xvfb" && wait "$xvfb" 2>/dev/null ;;
  esac
  local ended=0
  for _ in $(seq 200); do kill -0 "$bench" 2>/dev/null || { ended=1; break; }; sleep 0.05; done
  ((ended)) || give_up "$name: the program did not end"
  wait "$bench"
  local status=$?
  kill -TERM "$tav" "$xvfb" 2>/dev/null
  wait "$tav"

  [ "$status" -eq "$expected" ] || fail "$name: exit status $status, not $expected"
  local end_line report
  end_line="$(grep '"kind":"end"' "$dir/runs.jsonl")"
  grep -q '"outcome":"stopped"' <<<"$end_line" || fail "$name: not recorded as stopped: $end_line"
  grep -q '"restart":"confirmed"' <<<"$end_line" || fail "$name: restart not confirmed: $end_line"
  report="$(tr -d ' \n' <"$dir/tav.json")"
  grep -q ',51\]}$' <<<"$report" || fail "$name: the tav was not restarted after the records"
  grep -q '"completions":0' <<<"$report" || fail "$name: the tav saw a completion"
  local stored
  stored="$(grep -o '"wordAddress":' <<<"$report" | wc -l)"
  ((stored > 0 && stored < 369)) || fail "$name: the tav stored $stored of 369 records"
  echo "bench_ends: $name: status $status, $stored records stored, the tav restarted, the run recorded as stopped"
}

end_mid_transfer sigterm 0
end_mid_transfer window_destroyed 0
end_mid_transfer display_lost 1  # Qt's own exit once the display has gone
grep -qF "vantrel-bench: the display has gone" "$work/display_lost/bench.err" ||
  fail "display_lost: standard error does not say so"
((failures == 0))
