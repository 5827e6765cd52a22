#!/usr/bin/env bash
# Installs what Vantrel needs, builds it, and starts it.
#
# With no tav configured or attached (no VANTREL_COMn set, no ports file, no USB serial
# adapter plugged in) it starts a demo:
# two simulated tavs on pseudo-terminals (COM1: a tav that the sample firmware file is
# for, COM3: a tav of another type), a fresh type table, and a sample PHX file made from
# the bundled Intel HEX image. The simulators and the temporary files go when the window
# closes, on Ctrl-C, or on any error.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
  cat <<'EOF'
Usage: scripts/run.sh [--demo | --real | --watch | --bench] [--xvfb [--shots DIR]] [--no-setup] [FILE.PHX]

  (no option)   the program on the real ports when a VANTREL_COMn is set, a ports
                file exists or a USB serial adapter is plugged in; else the demo
                on simulated tavs
  --demo        the demo on simulated tavs, whatever VANTREL_COMn say
  --real        the program on the real ports, with FILE.PHX if given
  --watch       watch mode in the terminal (vantrel-cli watch) on simulated tavs: a tav
                on COM1 is programmed, taken away, and the next one connected there is
                programmed too; the tav on COM3 is up to date and left alone. Ends by
                itself once the second tav is programmed (Ctrl-C ends it sooner)
  --bench       the bench window (vantrel-bench) on simulated tavs: two tavs the file
                is for on COM1 and COM2, one of another type on COM3, COM4 without a
                device; press Program all, or Watch
  --xvfb        the demo on a virtual screen (xvfb-run): it finds the tavs, programs
                the one on COM1 by itself and saves screenshots, then ends
  --shots DIR   where --xvfb saves its screenshots (default: ./vantrel-screenshots)
  --no-setup    skip scripts/setup.sh (no package check, no build)

Environment: VANTREL_BUILD_DIR (default: build/), VANTREL_DEMO_SECONDS (close the demo
window after that many seconds), VANTREL_COM1..4, VANTREL_REGISTRY and VANTREL_RUNS
(see README.md; the demo keeps its run record in its own folder).
EOF
}

mode=auto
xvfb=0
shots="$PWD/vantrel-screenshots"
drive=""
run_setup=1
program_args=()
while (($#)); do
  case "$1" in
    --demo) mode=demo ;;
    --real) mode=real ;;
    --watch) mode=watch ;;
    --bench) mode=bench ;;
    --xvfb) xvfb=1 ;;
    --shots) shift; [ $# -gt 0 ] || { echo "run.sh: --shots needs a folder" >&2; exit 2; }
             shots="$(mkdir -p "$1" && cd "$1" && pwd)" ;;
    --drive) shift; drive="${1:?--drive needs a folder}" ;;  # used by --xvfb, inside xvfb-run
    --no-setup) run_setup=0 ;;
    -h|--help) usage; exit 0 ;;
    --) shift; program_args+=("$@"); break ;;
    -*) echo "run.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    *) program_args+=("$1") ;;
  esac
  shift
done

if ((run_setup)); then
  extra=()
  # The virtual-screen demo takes screenshots with ImageMagick (setup installs xdotool).
  if ((xvfb)); then extra=(imagemagick); fi
  "$root/scripts/setup.sh" "${extra[@]}"
fi

build="${VANTREL_BUILD_DIR:-$root/build}"
vantrel="$build/src/qt/vantrel"
tavsim="$build/sim/tools/vantrel-tavsim"
phx="$build/sim/tools/vantrel-phx"
[ -x "$vantrel" ] || { echo "run.sh: $vantrel is not built (run scripts/setup.sh)" >&2; exit 1; }

if ((xvfb)); then
  command -v xvfb-run >/dev/null || { echo "run.sh: xvfb-run is missing (apt-get install xvfb xauth)" >&2; exit 1; }
  mkdir -p "$shots"
  # QT_SCALE_FACTOR (e.g. 2) gives larger screenshots.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    env VANTREL_BUILD_DIR="$build" "$root/scripts/run.sh" --no-setup --demo --drive "$shots"
fi

if [ "$mode" = auto ]; then
  mode=demo
  for n in 1 2 3 4; do
    var="VANTREL_COM$n"
    if [ -n "${!var:-}" ]; then mode=real; fi
  done
  # A ports file, or an adapter plugged in, says a real tav may be there (README: Ports).
  for f in "${XDG_CONFIG_HOME:-$HOME/.config}/vantrel/ports.conf" /etc/vantrel/ports.conf \
           /dev/ttyUSB* /dev/ttyACM*; do
    if [ -e "$f" ]; then mode=real; fi
  done
fi

# A window needs a screen: X11, Wayland, or one of Qt's screenless platforms.
case "$mode:${QT_QPA_PLATFORM:-}" in
  watch:*) ;;  # the console needs none
  *:offscreen*|*:minimal*|*:vnc*) ;;
  *)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      cat >&2 <<EOF
run.sh: no display (DISPLAY and WAYLAND_DISPLAY are not set), so the Vantrel window
cannot open here. To run the demo on a virtual screen and get screenshots of it:

    scripts/run.sh --xvfb --shots screenshots

or start it under Xvfb yourself:

    xvfb-run -a -s "-screen 0 1024x768x24" scripts/run.sh --no-setup --$mode${program_args[*]:+ ${program_args[*]}}
EOF
      exit 1
    fi
    ;;
esac

if [ "$mode" = real ]; then
  exec "$vantrel" "${program_args[@]}"
fi

# ---- The demo on simulated tavs -------------------------------------------------------

for tool in "$tavsim" "$phx"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is not built (run scripts/setup.sh)" >&2; exit 1; }
done

demo_dir=""
sim_pids=()
vantrel_pid=""

stop_process() {  # pid: TERM, a grace of two seconds, then KILL
  local pid="$1" tries=20
  kill -TERM "$pid" 2>/dev/null || return 0
  while kill -0 "$pid" 2>/dev/null && ((tries-- > 0)); do sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# shellcheck disable=SC2317  # run by the traps below
cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  if [ -n "$vantrel_pid" ]; then stop_process "$vantrel_pid"; fi
  for pid in "${sim_pids[@]}"; do stop_process "$pid"; done
  if [ -n "$demo_dir" ]; then rm -rf "$demo_dir"; fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

demo_dir="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-demo.XXXXXX")"

# lines_in FILE: how many lines FILE holds (0 when it is not there yet).
lines_in() { if [ -e "$1" ]; then wc -l <"$1"; else echo 0; fi; }

# wait_for_lines FILE N: until FILE holds N lines; false when vantrel-cli has ended.
wait_for_lines() {
  until (($(lines_in "$1") >= $2)); do
    kill -0 "$vantrel_pid" 2>/dev/null || return 1
    sleep 0.2
  done
}

# Watch mode on a bench of simulated tavs: the run record tells when each tav is done.
watch_demo() {
  local cli="$build/src/cli/vantrel-cli" record="$demo_dir/runs.jsonl"
  [ -x "$cli" ] || { echo "run.sh: $cli is not built (run scripts/setup.sh)" >&2; exit 1; }
  start_tav COM1 --reply 55 --version 2.5 --control "$demo_dir/COM1.next"
  start_tav COM3 --reply 55 --version 3.0
  local com1_sim="${sim_pids[0]}"
  export VANTREL_COM1="$demo_dir/COM1" VANTREL_COM2=none VANTREL_COM3="$demo_dir/COM3" VANTREL_COM4=none
  export VANTREL_REGISTRY="$demo_dir/registry.reg" VANTREL_RUNS="$record"
  local firmware="$demo_dir/demo-firmware.PHX"
  "$phx" --target "Tav model 04 " --version 3.0 "$root/data/demo/tav-firmware.hex" "$firmware" >/dev/null
  cat <<EOF
Vantrel watch mode on simulated tavs (files in $demo_dir)
  COM1  a Tav model 04 with code version 2.5: programmed at once; once it is done it is
        taken away, and a second one (version 2.0) is connected there a little later
  COM3  a Tav model 04 with code version 3.0: up to date, left alone
  File  $firmware: target "Tav model 04 ", version 3.0
Ctrl-C ends the watch (a transfer under way stops after its record, its tav restarted).

EOF
  "$cli" watch "$firmware" &
  vantrel_pid=$!
  # The record holds a start and an end line per programmed tav.
  if wait_for_lines "$record" 2; then
    sleep 2
    kill -USR1 "$com1_sim"  # the first tav taken away
    sleep 5
    echo "--version 2.0" >"$demo_dir/COM1.next"
    kill -USR2 "$com1_sim"  # the next tav connected
    if wait_for_lines "$record" 4; then
      sleep 2
      kill -INT "$vantrel_pid"
    fi
  fi
  local status=0
  wait "$vantrel_pid" || status=$?
  vantrel_pid=""
  return "$status"
}

# start_tav COMn options...: a simulated tav whose port shows up as $demo_dir/COMn.
start_tav() {
  local port="$1"; shift
  "$tavsim" --link "$demo_dir/$port" "$@" >"$demo_dir/$port.log" 2>&1 &
  sim_pids+=($!)
  local pid=$! tries=100
  until [ -e "$demo_dir/$port" ]; do
    if ! kill -0 "$pid" 2>/dev/null || ((tries-- == 0)); then
      echo "run.sh: the simulated tav on $port did not start:" >&2
      cat "$demo_dir/$port.log" >&2
      exit 1
    fi
    sleep 0.05
  done
}

if [ "$mode" = watch ]; then
  watch_demo
  exit $?
fi

# The bench window on four slots: it loads the file and waits for Program all or Watch.
bench_demo() {
  local bench="$build/src/qt/vantrel-bench"
  [ -x "$bench" ] || { echo "run.sh: $bench is not built (run scripts/setup.sh)" >&2; exit 1; }
  start_tav COM1 --reply 55 --version 2.5
  start_tav COM2 --reply 55 --version 2.0
  start_tav COM3 --reply 1D --version 1.3
  export VANTREL_COM1="$demo_dir/COM1" VANTREL_COM2="$demo_dir/COM2" VANTREL_COM3="$demo_dir/COM3" VANTREL_COM4=none
  export VANTREL_REGISTRY="$demo_dir/registry.reg" VANTREL_RUNS="${VANTREL_RUNS:-$demo_dir/runs.jsonl}"
  local firmware="$demo_dir/demo-firmware.PHX"
  "$phx" --target "Tav model 04 " --version 3.0 "$root/data/demo/tav-firmware.hex" "$firmware" >/dev/null
  cat <<EOF
Vantrel Bench on simulated tavs (files in $demo_dir)
  COM1  a Tav model 04 with code version 2.5    COM2  a Tav model 04 with code version 2.0
  COM3  a Tav model 16: another type            COM4  (no port)
  File  $firmware: target "Tav model 04 ", version 3.0
Press Program all (both Tav model 04 are programmed at once, COM3 is left alone), or
Watch; close the window (or press Ctrl-C here) to end the demo.
EOF
  if [ -n "${VANTREL_DEMO_SECONDS:-}" ]; then
    timeout "$VANTREL_DEMO_SECONDS" "$bench" "$firmware" &
  else
    "$bench" "$firmware" &
  fi
  vantrel_pid=$!
  local status=0
  wait "$vantrel_pid" || status=$?
  vantrel_pid=""
  if [ "$status" -eq 124 ] && [ -n "${VANTREL_DEMO_SECONDS:-}" ]; then status=0; fi
  return "$status"
}

if [ "$mode" = bench ]; then
  bench_demo
  exit $?
fi

# "Tav model 04 " (with its trailing blank) is the file target name of the type whose
# identification reply is 55 hex; 1D hex is "Tav model 16 ", a type the file is not for.
start_tav COM1 --reply 55 --version 2.5
start_tav COM3 --reply 1D --version 1.3
export VANTREL_COM1="$demo_dir/COM1"
export VANTREL_COM2=none  # no device, whatever ports this machine has
export VANTREL_COM3="$demo_dir/COM3"
export VANTREL_COM4=none
export VANTREL_REGISTRY="$demo_dir/registry.reg"
# Runs on simulated tavs stay out of the user's record of real ones.
export VANTREL_RUNS="${VANTREL_RUNS:-$demo_dir/runs.jsonl}"

firmware="$demo_dir/demo-firmware.PHX"
"$phx" --target "Tav model 04 " --version 3.0 "$root/data/demo/tav-firmware.hex" "$firmware" >/dev/null

cat <<EOF
Vantrel demo on simulated tavs (files in $demo_dir)
  COM1  $(head -n1 "$demo_dir/COM1.log")  Tav model 04, code version 2.5: the file's target
  COM2  (no port)
  COM3  $(head -n1 "$demo_dir/COM3.log")  Tav model 16, code version 1.3: another type
  COM4  (no port)
  File  $firmware: target "Tav model 04 ", version 3.0
EOF
if [ -n "$drive" ]; then
  cat <<EOF
The search runs by itself after the file is loaded; on the virtual screen the demo then
selects row 1, presses Program Tav and saves its screenshots in $drive by itself, and
ends. Press Ctrl-C here to end it sooner.
EOF
else
  cat <<EOF
The search runs by itself after the file is loaded. Select row 1 and press Program Tav;
close the window (or press Ctrl-C here) to end the demo.
EOF
fi

if [ -n "${VANTREL_DEMO_SECONDS:-}" ]; then
  timeout "$VANTREL_DEMO_SECONDS" "$vantrel" "$firmware" &
else
  "$vantrel" "$firmware" &
fi
vantrel_pid=$!

if [ -n "$drive" ]; then
  "$root/scripts/demo-drive.sh" "$vantrel_pid" "$drive"
  stop_process "$vantrel_pid"
  vantrel_pid=""
  exit 0
fi

status=0
wait "$vantrel_pid" || status=$?
vantrel_pid=""
# 124: the demo's time (VANTREL_DEMO_SECONDS) ran out; the window was closed for it.
if [ "$status" -eq 124 ] && [ -n "${VANTREL_DEMO_SECONDS:-}" ]; then status=0; fi
exit "$status"
