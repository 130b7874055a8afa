#!/usr/bin/env bash
# Runs inside the lab's tool host on an X display: starts the tool, waits for its window,
# reports the window's geometry, saves a screenshot of it and closes the tool.
#   lab-session.sh BINARY SCREENSHOT.png [SECONDS_TO_RUN_BEFORE_THE_SCREENSHOT]
set -euo pipefail
binary=$1
shot=$2
settle=${3:-2}
title='Lorvane v0.0.8'

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

sleep "$settle"
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "lab-session: window '$(xdotool getwindowname "$window")' ${WIDTH}x${HEIGHT} at ${X},${Y}"
import -window "$window" "$shot"
echo "lab-session: screenshot saved to $shot"
