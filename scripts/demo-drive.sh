#!/usr/bin/env bash
# Plays the engineer in the demo on a virtual screen (run.sh --xvfb runs it inside
# xvfb-run): waits for the search to show its rows, selects COM1, presses Program Tav,
# and saves a screenshot after the search, during programming and of the outcome.
# Usage: demo-drive.sh VANTREL_PID SHOTS_DIR
set -euo pipefail

vantrel_pid="$1"
shots="$2"
for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "demo-drive: $tool is missing (apt-get install xdotool imagemagick)" >&2; exit 1; }
done

alive() { kill -0 "$vantrel_pid" 2>/dev/null; }

# wait_for_window REGEX SECONDS: prints the id of the first window whose title matches.
wait_for_window() {
  local regex="$1" tries=$(($2 * 10)) id
  while ((tries-- > 0)) && alive; do
    id="$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "demo-drive: no window titled '$regex' appeared" >&2
  return 1
}

window="$(wait_for_window '^Vantrel ' 20)"
eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH, HEIGHT, X, Y

# The window is laid out in twips, 2850 wide; a point of the layout on the screen.
click_at_twips() {
  local x=$(($1 * WIDTH / 2850)) y=$(($2 * WIDTH / 2850))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

# The file loads half a second after the start and the search follows; the simulated
# tavs answer at once, so a few seconds cover it.
sleep 3
import -window "$window" "$shots/search.png"
echo "demo-drive: saved $shots/search.png"

click_at_twips 465 1582    # the option button of row 1 (COM1)
sleep 0.5
click_at_twips 1207 3787   # Program Tav
sleep 2
import -window "$window" "$shots/programming.png"
echo "demo-drive: saved $shots/programming.png"

# The outcome box ("OK! " when the tav took its new firmware).
if wait_for_window '^(OK! |Error! ?)$' 120 >/dev/null; then
  sleep 0.5
  import -window root -trim +repage "$shots/finished.png"
  echo "demo-drive: saved $shots/finished.png"
fi
