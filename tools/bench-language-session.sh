#!/usr/bin/env bash
# Part of tools/bench.sh, on the lab's tool host with an X display, run as the user the caller
# chose: the real program started in each language, three times: start -> window on screen,
# then Search pressed (the rightmost button in every language) and the peak memory once it is
# over; with a folder given, a screenshot of the screen after the first Search of each language.
#   bench-language-session.sh PROGRAM [SHOTS_FOLDER]
set -euo pipefail
. "$(dirname "$0")/lab-constants.sh"
binary=$1
shots=${2:-}
export QT_XCB_GL_INTEGRATION=none
pid=
trap '[ -z "$pid" ] || kill $pid 2>/dev/null || true' EXIT
for lang in C de_DE.UTF-8 zh_CN.UTF-8; do
  times=()
  for run in 1 2 3; do
    start=$(date +%s%N)
    LANG=$lang LC_ALL=$lang LANGUAGE= "$binary" >/dev/null 2>&1 &
    pid=$!
    shown=
    window=
    for _ in $(seq 1 500); do
      window=$(xdotool search --onlyvisible --name "^${BM_WINDOW_TITLE}\$" 2>/dev/null | head -n 1 || true)
      if [ -n "$window" ]; then
        shown=$(date +%s%N)
        break
      fi
      sleep 0.01
    done
    [ -n "$shown" ] && times+=("$(( (shown - start) / 1000000 ))") || times+=(none)
    sleep 1
    [ -z "$window" ] || xdotool mousemove --window "$window" 1330 49 click 1
    sleep 3 # the Search and its sweep are over
    memory=$(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")
    if [ "$run" = 1 ] && [ -n "$shots" ]; then
      import -window root "$shots/nobody-$lang.png"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
  done
  echo "language $lang: start -> window shown ${times[*]} ms; peak memory after a Search $memory"
done
