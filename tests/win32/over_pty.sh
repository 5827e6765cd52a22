#!/usr/bin/env bash
# The Windows build under Wine against vantrel-tavsim tavs on pseudo-terminals. Wine's
# COM1 is mapped (HKLM\Software\Wine\Ports, set up by scripts/windows.sh) to
# PORTS/com1, a symlink that each simulator here makes to its own pty slave.
# Usage: over_pty.sh BUILD_DIR TAVSIM SAMPLE_HEX
set -euo pipefail
build=$1 tavsim=$2 hex=$3
ports=$build/wine-ports
: "${WINEPREFIX:?run through scripts/windows.sh, which makes the Wine prefix}"
export WINEDEBUG=-all
work=$(mktemp -d)
sim="" sim2=""
stop_tav() { if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; sim=""; fi; }
trap 'stop_tav; [ -z "$sim2" ] || kill "$sim2" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

# start_tav [tavsim options...]: a tav on COM1, tracing into $work/trace
start_tav() {
  stop_tav
  rm -f "$ports/com1" "$work/report.json"
  "$tavsim" --link "$ports/com1" --report "$work/report.json" --trace "$@" >"$work/slave" 2>"$work/trace" &
  sim=$!
  for _ in $(seq 50); do [ -L "$ports/com1" ] && return; sleep 0.1; done
  fail "vantrel-tavsim did not start"
}
wine_run() { wine "$@" 2>>"$work/wine.log" | tr -d '\r'; }
# interrupt_when PID PATTERN: Ctrl-C (Wine turns SIGINT into the console's CTRL_C_EVENT)
# once a line of $work/out matches PATTERN; sets $status to the exit code that follows.
interrupt_when() {
  for _ in $(seq 600); do grep -q "$2" "$work/out" && break; sleep 0.1; done
  kill -INT "$1"
  status=0
  wait "$1" || status=$?
  stop_tav
}

# The Win32 port: each settings text reaches the tav as the pty master sees it.
start_tav
VANTREL_TAV_ON_COM1=1 wine_run "$build/tests/win32/win32_tests.exe" --gtest_filter='*SettingsReachTheDevice' \
  >"$work/out" || { cat "$work/out"; fail "settings test"; }
stop_tav
seen=$(sed -n 's/.* in  \(A[1-7]\) at \(.*\)$/\1 \2/p' "$work/trace" | tr '\n' ';')
want="A1 110,n,8,2;A2 19200,o,8,1;A3 4800,e,8,1;A4 115200,n,8,2;A5 2400,o,8,2;A6 38400,e,8,1;A7 38400,e,8,1;"
[ "$seen" = "$want" ] || fail "settings seen by the tav: $seen, expected $want"
echo "ok: settings reach the device"

# A vanished device: the tav goes while the port waits for bytes.
start_tav
VANTREL_TAV_ON_COM1=1 wine "$build/tests/win32/win32_tests.exe" --gtest_filter='*AVanishedDevice*' \
  >"$work/out" 2>>"$work/wine.log" &
test_pid=$!
for _ in $(seq 100); do grep -q "waiting for the device to go" "$work/out" && break; sleep 0.1; done
stop_tav
wait "$test_pid" || { cat "$work/out"; fail "vanished device test"; }
echo "ok: a vanished device ends in a serial error"

# vantrel-cli.exe search finds the tav on COM1.
cli=$build/src/cli/vantrel-cli.exe
start_tav --reply 11 --version 2.5
out=$(wine_run "$cli" search) || fail "search exited $?: $out"
[ "$out" = "COM1  Tav model 00 2.5" ] || fail "search printed: $out"
echo "ok: search"

# The program's first start wrote the type table into Wine's registry.
wine reg query 'HKLM\Software\Telvar\Quorvels\Types' /v Version 2>/dev/null | tr -d '\r' | grep -q 'REG_DWORD *0x13' \
  || fail "no Version 19 under HKLM\\Software\\Telvar\\Quorvels\\Types"
echo "ok: type table in the registry at version 19"

# program: the whole image reaches the tav, byte for byte, last record first.
wine_run "$build/sim/tools/vantrel-phx.exe" --target "Tav model 00" --version 2.5 "$hex" \
  "$work/fw.phx" >/dev/null
start_tav --reply 11 --version 2.5
out=$(wine_run "$cli" program "$work/fw.phx" --port 1 --yes) || fail "program exited $?: $out"
stop_tav
[[ "$out" == *"COM1 programmed: 369 records" ]] || fail "program printed: $out"
# The Intel HEX image as the tav stores it: each 16-byte block that holds any of its
# bytes, by word address, the bytes it does not hold FF.
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
report_records "$work/report.json" >"$work/stored"
cmp -s "$work/expected" "$work/stored" || fail "the tav stored another image: $(diff "$work/expected" "$work/stored" | head -5)"
echo "ok: program, 369 records byte for byte, last first"

# A tav that never acknowledges a record: the failing exit code.
start_tav --reply 11 --version 2.5 --no-ack
status=0
wine_run "$cli" program "$work/fw.phx" --port 1 --yes >"$work/out" || status=$?
[ "$status" -eq 5 ] || { cat "$work/out"; fail "a tav that does not acknowledge: exit $status, expected 5"; }
echo "ok: a failing tav gives exit code 5"

# Ctrl-C during the transfer (Wine turns SIGINT into the console's CTRL_C_EVENT): the
# transfer stops after the record being sent, the tav is restarted, exit code 130.
start_tav --reply 11 --version 2.5
wine "$cli" program "$work/fw.phx" --port 1 --yes >"$work/out" 2>>"$work/wine.log" &
interrupt_when $! "^Progress 5%"
[ "$status" -eq 130 ] || { cat "$work/out"; fail "Ctrl-C: exit $status, expected 130"; }
stored=$(report_records "$work/report.json" | wc -l)
grep -q '"restarts": 2' "$work/report.json" || fail "Ctrl-C: the tav was not restarted"
{ [ "$stored" -gt 0 ] && [ "$stored" -lt 369 ]; } || fail "Ctrl-C: $stored records stored"
echo "ok: Ctrl-C stops the transfer ($stored records), restarts the tav, exit code 130"

# Two tavs at once (COM1 and COM2): each its own thread, each the whole image.
start_tav --reply 11 --version 2.0
rm -f "$ports/com2" "$work/report2.json"
"$tavsim" --link "$ports/com2" --report "$work/report2.json" --reply 11 --version 2.0 >/dev/null 2>&1 &
sim2=$!
for _ in $(seq 50); do [ -L "$ports/com2" ] && break; sleep 0.1; done
out=$(wine_run "$cli" program "$work/fw.phx" --port 1 --port 2) || fail "two tavs: exit $?: $out"
stop_tav
kill "$sim2" 2>/dev/null || true
wait "$sim2" 2>/dev/null || true
sim2=""
[[ "$out" == *"2 of 2 tavs programmed: COM1, COM2" ]] || fail "two tavs printed: $out"
for report in report.json report2.json; do
  report_records "$work/$report" >"$work/stored"
  cmp -s "$work/expected" "$work/stored" || fail "two tavs: $report holds another image"
done
echo "ok: two tavs at once, each 369 records byte for byte"

# history --csv: a row for each run of the record after the header, every row ending CRLF
# once (the console's text mode would make it CR CR LF).
wine "$cli" history --csv >"$work/history.csv" 2>>"$work/wine.log" || fail "history --csv exited $?"
header=$'time,port,device,file name,SHA-256,target,version before,version after,outcome,records acknowledged,retries,duration (s)\r'
[ "$(head -n 1 "$work/history.csv")" = "$header" ] || fail "history --csv header: $(head -n 1 "$work/history.csv" | od -c | head -4)"
if grep -q $'\r\r' "$work/history.csv"; then fail "history --csv: CR CR LF"; fi
rows=$(wc -l <"$work/history.csv")
[ "$(grep -c $'\r$' "$work/history.csv")" -eq "$rows" ] || fail "history --csv: a row without CRLF"
grep -q $',succeeded,369,[0-9]*,[0-9]*\\.[0-9]*\r$' "$work/history.csv" || fail "history --csv: no run of 369 records: $(cat "$work/history.csv")"
echo "ok: history --csv, $((rows - 1)) runs, rows ending CRLF"

# watch: a tav of the file's type with older code, programmed as soon as it is found; the
# watch then waits for it to be taken away until Ctrl-C ends it with its summary, exit 0.
start_tav --reply 11 --version 2.0
wine "$cli" watch "$work/fw.phx" --port 1 >"$work/out" 2>>"$work/wine.log" &
interrupt_when $! "^COM1: programmed: 369 records"
[ "$status" -eq 0 ] || { cat "$work/out"; fail "watch: exit $status, expected 0"; }
grep -q "^watch ended: 1 programmed, 0 failed, 0 left alone" <(tr -d '\r' <"$work/out") \
  || { cat "$work/out"; fail "watch: no summary of one programmed tav"; }
report_records "$work/report.json" >"$work/stored"
cmp -s "$work/expected" "$work/stored" || fail "watch: the tav stored another image"
echo "ok: watch programs the tav it finds, 369 records byte for byte, and ends on Ctrl-C with exit 0"
