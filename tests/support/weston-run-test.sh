#!/usr/bin/env bash
# Runs a widget test as the client of a headless Weston of its own (one 1920 x 1080 output at
# scale 1) through Qt's Wayland platform plugin. The compositor gets a private runtime folder
# and a socket name of its own, so runs side by side never meet; it is killed and the folder
# removed however the test ends. Exits 77, which CTest counts as a skip, when Weston is not
# installed; the test itself does the same when Qt's Wayland plugin is missing.
set -euo pipefail
command -v weston >/dev/null || { echo "SKIP: weston is missing (apt-get install weston)"; exit 77; }

runtime=$(mktemp -d "${TMPDIR:-/tmp}/bm-weston.XXXXXX")
chmod 0700 "$runtime" # Wayland clients refuse a runtime folder others can enter
socket="bm-weston-$$"
weston_pid=
cleanup() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Weston 10 (Debian 12) names the backend headless-backend.so and takes --use-pixman; later
# ones name it headless and take --renderer=pixman. Without a renderer the headless backend
# draws nothing at all.
help=$(weston --help 2>&1 || true)
backend=headless
grep -q 'headless-backend\.so' <<<"$help" && backend=headless-backend.so
renderer=--use-pixman
grep -q -- '--renderer' <<<"$help" && renderer=--renderer=pixman

XDG_RUNTIME_DIR="$runtime" weston --backend="$backend" "$renderer" --socket="$socket" --idle-time=0 \
  --width=1920 --height=1080 --scale=1 --no-config --log="$runtime/weston.log" &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$runtime/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
  echo "weston did not come up:" >&2
  cat "$runtime/weston.log" >&2 || true
  exit 1
fi

# As under Xvfb: widgets paint into shared memory, so no EGL buffer integration, which is
# loaded and unloaded again and leaves a leak report without a module name (Qt says once that
# it loaded none); Qt's own event dispatcher; no D-Bus session bus to look for. The test's
# settings live in the private folder too: what a user's window remembered (a site record)
# neither shows in the test's window nor is overwritten by it.
export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
export QT_NO_GLIB=1
export DBUS_SESSION_BUS_ADDRESS=disabled:
status=0
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" WAYLAND_DISPLAY="$socket" \
  QT_QPA_PLATFORM=wayland "$@" || status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  echo "--- weston's log ---" >&2
  cat "$runtime/weston.log" >&2 || true
fi
exit "$status"
