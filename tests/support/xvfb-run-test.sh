#!/usr/bin/env bash
# Runs a widget test on its own virtual 1920 x 1080 X screen (no window manager), or on the
# display given in $BM_TEST_DISPLAY.
set -euo pipefail
if [ -n "${BM_TEST_DISPLAY:-}" ]; then
  DISPLAY="$BM_TEST_DISPLAY" exec "$@"
fi
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb xauth)" >&2; exit 1; }
exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$@"
