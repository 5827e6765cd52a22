#!/usr/bin/env bash
# The demo of scripts/run.sh starts its simulated tavs and the program, and whatever way
# it ends (the window closes, Ctrl-C, TERM, the program failing) no simulator outlives it
# and its temporary folder is gone.
# Usage: demo_lifecycle.sh SOURCE_DIR BUILD_DIR
set -uo pipefail

source_dir="$1"
build_dir="$2"
run="$source_dir/scripts/run.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-delivery-test.XXXXXX")"
export TMPDIR="$work/tmp"   # run.sh makes its demo folder here
mkdir -p "$TMPDIR"
export XDG_RUNTIME_DIR="$work/xdg"  # Qt's runtime folder, not in $TMPDIR
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
unset VANTREL_COM1 VANTREL_COM2 VANTREL_COM3 VANTREL_COM4 VANTREL_REGISTRY VANTREL_RUNS DISPLAY WAYLAND_DISPLAY

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The demo's processes are found by their demo folder, which is in their command lines.
demo_processes() { pgrep -f -- "$TMPDIR/vantrel-demo" || true; }

wait_for_demo() {  # both simulated tavs are up and the firmware file is written
  local tries=200
  until compgen -G "$TMPDIR/vantrel-demo.*/demo-firmware.PHX" >/dev/null; do
    ((tries-- > 0)) || return 1
    sleep 0.05
  done
}

# A run has ended cleanly: nothing of it still runs and its folder is gone.
check_clean() {
  local what="$1" left
  sleep 0.2
  left="$(demo_processes)"
  if [ -n "$left" ]; then
    fail "$what: processes left: $(ps -o pid=,args= -p "${left//$'\n'/,}")"
    xargs kill <<<"$left" 2>/dev/null
  fi
  [ -z "$(ls -A "$TMPDIR")" ] || fail "$what: left behind: $(ls -A "$TMPDIR")"
}

# 1. The window closes by itself after a few seconds: exit status 0.
VANTREL_BUILD_DIR="$build_dir" VANTREL_DEMO_SECONDS=6 "$run" --no-setup --demo >"$work/out1" 2>&1 &
pid=$!
if wait_for_demo; then
  sims="$(pgrep -f -- "$TMPDIR/vantrel-demo.*/COM[13]" | wc -l)"
  [ "$sims" -eq 2 ] || fail "window closes: expected 2 simulated tavs, found $sims"
else
  fail "window closes: the demo did not start"
fi
wait "$pid"; status=$?
[ "$status" -eq 0 ] || { fail "window closes: exit status $status"; cat "$work/out1" >&2; }
grep -q "COM1  /dev/pts/" "$work/out1" || fail "window closes: no COM1 line in: $(cat "$work/out1")"
# The types as the default table names them: reply 55 hex is model 04, 1D hex model 16.
grep -q "^  COM1  /dev/pts/[0-9]*  Tav model 04, code version 2.5: the file's target$" "$work/out1" ||
  fail "window closes: COM1 not named as model 04 in: $(cat "$work/out1")"
grep -q "^  COM3  /dev/pts/[0-9]*  Tav model 16, code version 1.3: another type$" "$work/out1" ||
  fail "window closes: COM3 not named as model 16 in: $(cat "$work/out1")"
grep -q "Select row 1 and press Program Tav" "$work/out1" ||
  fail "window closes: the user is not told what to do in: $(cat "$work/out1")"
check_clean "window closes"

# 2. Ctrl-C or TERM while the window is open. Ctrl-C on a terminal sends INT to the
# whole foreground process group: with job control on, the demo gets a group of its
# own, as it would from a shell, and the group is what gets the INT.
set -m
for signal in INT TERM; do
  VANTREL_BUILD_DIR="$build_dir" VANTREL_DEMO_SECONDS=120 "$run" --no-setup --demo >"$work/out-$signal" 2>&1 &
  pid=$!
  if wait_for_demo; then
    sleep 1  # the program is up
    if [ "$signal" = INT ]; then kill -INT -- "-$pid"; else kill -TERM "$pid"; fi
    tries=100
    while kill -0 "$pid" 2>/dev/null && ((tries-- > 0)); do sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      fail "$signal: run.sh still running 10 s after the signal"
      kill -KILL "$pid"
    fi
    wait "$pid"; status=$?
    [ "$status" -ne 0 ] || fail "$signal: exit status 0 after an interruption"
  else
    fail "$signal: the demo did not start"; kill "$pid" 2>/dev/null; wait "$pid"
  fi
  check_clean "$signal"
done
set +m

# 3. The program fails: a stand-in that checks what the demo handed it, then exits 3.
fake="$work/fake-build"
mkdir -p "$fake/sim/tools" "$fake/src/qt"
ln -s "$build_dir/sim/tools/vantrel-tavsim" "$fake/sim/tools/vantrel-tavsim"
ln -s "$build_dir/sim/tools/vantrel-phx" "$fake/sim/tools/vantrel-phx"
cat >"$fake/src/qt/vantrel" <<'EOF'
#!/usr/bin/env bash
{
  [ -c "$VANTREL_COM1" ] && echo "COM1 is a terminal"
  [ "$VANTREL_COM2" = none ] && echo "COM2 has no device"
  [ -c "$VANTREL_COM3" ] && echo "COM3 is a terminal"
  [ "$VANTREL_COM4" = none ] && echo "COM4 has no device"
  [ "$(dirname "$VANTREL_REGISTRY")" = "$(dirname "$1")" ] && echo "registry beside the file"
  [ "$#" -eq 1 ] && echo "one argument"
  head -n 2 "$1" | tr -d '\r' | sed 's/^/line: [/; s/$/]/'
} >"$DEMO_SEEN"
exit 3
EOF
chmod +x "$fake/src/qt/vantrel"
DEMO_SEEN="$work/seen" VANTREL_BUILD_DIR="$fake" "$run" --no-setup --demo >"$work/out3" 2>&1
status=$?
[ "$status" -eq 3 ] || fail "program fails: exit status $status, expected the program's 3"
expected='COM1 is a terminal
COM2 has no device
COM3 is a terminal
COM4 has no device
registry beside the file
one argument
line: [Tav model 04 ]
line: [3.0]'
[ "$(cat "$work/seen" 2>/dev/null)" = "$expected" ] || fail "program fails: the program saw: $(cat "$work/seen" 2>/dev/null)"
check_clean "program fails"

# 4. Without any screen the demo does not start and says how to run it under Xvfb.
QT_QPA_PLATFORM='' VANTREL_BUILD_DIR="$build_dir" "$run" --no-setup --demo >"$work/out4" 2>&1
status=$?
[ "$status" -ne 0 ] || fail "no display: exit status 0"
grep -q "xvfb-run" "$work/out4" || fail "no display: no xvfb-run hint in: $(cat "$work/out4")"
check_clean "no display"

# 5. On the virtual screen the demo drives itself and says so, not what the user should
# click. The stand-in program ends at once, so the drive ends early; only the words count.
if command -v xvfb-run >/dev/null; then
  DEMO_SEEN=/dev/null VANTREL_BUILD_DIR="$fake" "$run" --no-setup --xvfb --shots "$work/shots" >"$work/out5" 2>&1
  grep -q "presses Program Tav and saves its screenshots in $work/shots by itself" "$work/out5" ||
    fail "virtual screen: not told that the demo drives itself in: $(cat "$work/out5")"
  ! grep -q "Select row 1" "$work/out5" || fail "virtual screen: asks the user to click: $(cat "$work/out5")"
  check_clean "virtual screen"
else
  echo "[  SKIPPED ] virtual screen: xvfb-run is missing"
fi

rm -rf "$work"
if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "demo lifecycle: all checks passed"
