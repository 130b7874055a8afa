#!/usr/bin/env bash
# Checks the Debian packages as a user meets them, on this machine (run it in a fresh Debian
# 12, as root): builds them (tools/package.sh), installs them with apt, validates the menu
# entry and the AppStream metadata, runs lintian, starts the installed program under Xvfb in
# the lab against the installed simulator and saves a screenshot, lists the same devices
# with the installed brenmoor-cli, then removes the packages (only their configuration files
# may stay) and purges them, and checks that none of their files is left.
#   tools/install-check.sh      screenshot to out/installed-lab.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lab="$root/tools/lab.sh"
. "$root/tools/lab-constants.sh"

"$root/tools/package.sh"
export DEBIAN_FRONTEND=noninteractive
# What the build needed goes again, so the install must fetch the program's own dependencies
# from Debian as a user's machine would.
apt-get purge -y -qq qtbase5-dev libspdlog-dev nlohmann-json3-dev g++ cmake >/dev/null
apt-get autoremove -y -qq --purge >/dev/null
echo "== apt-get install ./out/*.deb"
apt-get install -y "$root/out/brenmoor_${BM_VERSION}_"*.deb "$root/out/brenmoor-devicesim_${BM_VERSION}_"*.deb
installed=$(dpkg -L brenmoor brenmoor-devicesim | sort -u)
# dpkg keeps configuration files (the ufw profile under /etc) on remove, until a purge.
conffiles=$(dpkg-query -W -f='${Conffiles}\n' brenmoor brenmoor-devicesim | awk 'NF { print $1 }' | sort -u)
# The lab and the screen, without a build environment.
apt-get install -y -qq lintian desktop-file-utils appstream iproute2 procps xvfb xauth xdotool imagemagick >/dev/null

echo "== desktop-file-validate"
desktop-file-validate /usr/share/applications/org.lorvane.Lorvane.desktop && echo "desktop entry: valid"
echo "== appstreamcli validate"
appstreamcli validate --no-net /usr/share/metainfo/org.lorvane.Lorvane.metainfo.xml
echo "== lintian"
lintian --info "$root/out/brenmoor_${BM_VERSION}_"*.deb "$root/out/brenmoor-devicesim_${BM_VERSION}_"*.deb || true
echo "lintian: $(lintian "$root/out/"*"_${BM_VERSION}_"*.deb 2>/dev/null | grep -c '^E:' || true) errors"

echo "== the installed program in the lab"
trap '"$lab" down' EXIT
"$lab" up >/dev/null
"$root/tools/lab-devices.sh" /usr/bin/bm-devicesim "$root/out/devices"
"$lab" exec xvfb-run -a -s "$BM_XVFB_ARGS" "$root/tools/lab-session.sh" /usr/bin/brenmoor "$root/out/installed-lab.png"
echo "== the installed command-line program in the lab"
"$lab" exec /usr/bin/brenmoor-cli discover --format csv 2>/dev/null
test -f /usr/share/man/man1/brenmoor-cli.1.gz && echo "brenmoor-cli manual page: installed"
"$lab" down >/dev/null
trap - EXIT

echo "== apt-get remove, apt-get purge"
apt-get remove -y brenmoor brenmoor-devicesim >/dev/null
left=0
while read -r path; do
  [ -f "$path" ] || [ -L "$path" ] || continue
  grep -qxF -- "$path" <<<"$conffiles" && continue
  echo "left behind by the removal: $path"
  left=$((left + 1))
done <<<"$installed"
apt-get purge -y brenmoor brenmoor-devicesim >/dev/null
while read -r path; do
  [ -f "$path" ] || [ -L "$path" ] || continue
  echo "left behind by the purge: $path"
  left=$((left + 1))
done <<<"$installed"
echo "files left after removal and purge: $left"
[ "$left" -eq 0 ]
