#!/usr/bin/env bash
# Installs, from Debian's packages, whatever a job needs and this machine lacks.
# Debian 12, as root; no standard input needed.
#   tools/install-deps.sh demo    build the program and the simulator, run them in the lab
#   tools/install-deps.sh test    the above, plus the test frameworks (default)
#   tools/install-deps.sh fuzz    the above, plus clang and its fuzzing runtime
#   tools/install-deps.sh package the program's build, plus what CPack needs for a .deb
set -euo pipefail

profile=${1:-test}
# The program at run time: Qt, `arp -an` (net-tools) for the neighbour-table fallback, and
# setcap (libcap2-bin) that gives the ARP helper its capability.
# The lab: namespaces and veths (iproute2), sysctl (procps), the tun helper (perl-base and
# util-linux are essential). The demo: a virtual display, a click, a screenshot.
PACKAGES=(
  cmake make g++ pkg-config
  dpkg-dev file   # CPack works out a .deb's dependencies with them (the package test too)
  qtbase5-dev libspdlog-dev nlohmann-json3-dev
  qttools5-dev qttools5-dev-tools # lrelease builds the translations (Qt's LinguistTools)
  qttranslations5-l10n fonts-wqy-microhei # Qt's own translations; a font with Chinese glyphs
  net-tools iproute2 procps
  libcap2-bin     # setcap and getcap: the ARP helper's capability (the demo, the package test)
  xvfb xauth xdotool imagemagick
)
# BRENMOOR_QT=6: Debian's Qt 6 instead (the build's BRENMOOR_QT follows the same variable).
if [ "${BRENMOOR_QT:-5}" = 6 ]; then
  PACKAGES=("${PACKAGES[@]/qtbase5-dev/qt6-base-dev}")
  PACKAGES=("${PACKAGES[@]/qttools5-dev-tools/qt6-l10n-tools}")
  PACKAGES=("${PACKAGES[@]/qttools5-dev/qt6-tools-dev}")
  PACKAGES=("${PACKAGES[@]/qttranslations5-l10n/qt6-translations-l10n}")
  PACKAGES+=(libgl-dev) # Qt 6's CMake files look for OpenGL's headers
fi
wayland_plugin=qtwayland5
[ "${BRENMOOR_QT:-5}" = 6 ] && wayland_plugin=qt6-wayland
case "$profile" in
  demo) ;;
  # The package test parses the firewall profiles with ufw's and firewalld's own Python
  # modules: ufw (installing it does not enable it) and python3-firewall (the library only,
  # never the firewalld daemon). nftables (nft) and arp-scan: for tests in the lab.
  # The makers of MACs (ieee-data); Ansible against sites reached over SSH (ansible-core, and
  # openssh-server, whose sshd the test starts inside its own namespaces only).
  # A headless Weston and Qt's Wayland plugin: the window as a Wayland client.
  test) PACKAGES+=(libgtest-dev ufw python3-firewall nftables arp-scan ieee-data ansible-core openssh-server openssh-client
                   weston "$wayland_plugin") ;;
  fuzz) PACKAGES+=(libgtest-dev clang libclang-rt-14-dev) ;;
  package) ;;
  *) echo "install-deps: unknown profile '$profile' (demo, test, fuzz or package)" >&2; exit 2 ;;
esac

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
# A package's service (openssh-server's sshd) must not start on this machine's own network:
# where nothing holds services back already, a policy does for the length of the install.
policy=/usr/sbin/policy-rc.d
held=
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy"
  chmod 755 "$policy"
  held=1
  trap 'rm -f "$policy"' EXIT
fi
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
if [ -n "$held" ]; then
  rm -f "$policy"
  ! command -v systemctl >/dev/null || systemctl disable --quiet ssh.service ssh.socket 2>/dev/null || true
fi
