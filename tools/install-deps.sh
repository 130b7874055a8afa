#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests, the lab and the demo need
# and this machine lacks. Debian 12, as root; no standard input needed.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  qtbase5-dev libspdlog-dev nlohmann-json3-dev libgtest-dev
  iproute2 procps
  xvfb xauth xdotool imagemagick
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
[ "$(id -u)" -eq 0 ] || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
