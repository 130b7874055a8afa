#!/usr/bin/env bash
# Runs inside the lab's tool host on an X display: starts the tool, waits for its window,
# presses Search (unless told not to), reports the window's geometry, saves a screenshot of
# it once the search has had time to finish, and closes the tool.
#   lab-session.sh BINARY SCREENSHOT.png [--no-search]
set -euo pipefail
binary=$1
shot=$2
press_search=yes
[ "${3:-}" = "--no-search" ] && press_search=no
. "$(dirname "$0")/lab-constants.sh"
title=$BM_WINDOW_TITLE

export QT_XCB_GL_INTEGRATION=none

"$binary" &
pid=$!
stop() { kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
trap stop EXIT

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "lab-session: the tool exited early" >&2; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "lab-session: no window titled '$title' appeared" >&2; exit 1; }

sleep 1
if [ "$press_search" = yes ]; then
  # The Search button's centre in the window as laid out at 1440 x 756.
  xdotool mousemove --window "$window" 1330 49 click 1
  echo "lab-session: pressed Search"
  sleep 7 # replies come at once; the neighbour sweep of two subnets takes about 4.5 s
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "lab-session: window '$(xdotool getwindowname "$window")' ${WIDTH}x${HEIGHT} at ${X},${Y}"
import -window "$window" "$shot"
echo "lab-session: screenshot saved to $shot"
