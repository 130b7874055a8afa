#!/usr/bin/env bash
# Runs a widget test on its own virtual 1920 x 1080 X screen at 96 dpi (so the high-DPI scale
# factor is 1) without a window manager, or on the display given in $BM_TEST_DISPLAY.
set -euo pipefail
. "$(dirname "$0")/../../tools/lab-constants.sh"
# Widgets paint by raster: no GL integration plugin, which is loaded and unloaded again and
# leaves a leak report without a module name. There is no D-Bus session bus under Xvfb, and
# libdbus keeps the buffer of its failed lookup for the life of the process.
export QT_XCB_GL_INTEGRATION=none
# Qt's own event dispatcher rather than GLib's: one uninstrumented library fewer under the
# thread sanitizer, and no difference to what is tested.
export QT_NO_GLIB=1
export DBUS_SESSION_BUS_ADDRESS=disabled:
if [ -n "${BM_TEST_DISPLAY:-}" ]; then
  DISPLAY="$BM_TEST_DISPLAY" exec "$@"
fi
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb xauth)" >&2; exit 1; }
exec xvfb-run -a -s "$BM_XVFB_ARGS" "$@"
