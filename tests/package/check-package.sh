#!/usr/bin/env bash
# Builds the Debian packages from a build folder with CPack and checks their control fields
# and file lists.   check-package.sh BUILD_DIR VERSION [QT_MAJOR]
set -euo pipefail
build=$1
version=$2
qt=${3:-5} # the Qt major version the package was built against
out=$(mktemp -d)
helper=/usr/libexec/brenmoor/brenmoor-arp
installed=no
# A package this test installed is purged whatever happens after.
cleanup() {
  if [ "$installed" = yes ]; then
    dpkg --purge brenmoor >/dev/null 2>&1 || true
  fi
  rm -rf "$out"
}
trap cleanup EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
field_is() { [ "$(dpkg-deb -f "$1" "$2")" = "$3" ] || fail "$(basename "$1") $2 is '$(dpkg-deb -f "$1" "$2")', not '$3'"; }
field_has() { dpkg-deb -f "$1" "$2" | grep -q -- "$3" || fail "$(basename "$1") $2 lacks '$3'"; }
holds() { grep -qx -- "$2" <<<"$1" || fail "the package lacks $2"; }
lacks() { ! grep -qx -- "$2" <<<"$1" || fail "the package holds $2"; }
files() { dpkg-deb -c "$1" | awk '{print $6}'; }

app=$(ls "$out"/brenmoor_"$version"_*.deb)
sim=$(ls "$out"/brenmoor-devicesim_"$version"_*.deb)

field_is "$app" Package brenmoor
field_is "$app" Version "$version"
field_is "$app" Section net
if [ "$qt" = 6 ]; then qt_translations=qt6-translations-l10n; else qt_translations=qttranslations5-l10n; fi
field_is "$app" Recommends "net-tools, ieee-data, $qt_translations"
field_has "$app" Maintainer '<dev@lorvane.org>'
# Worked out from the binary, not written by hand: Qt 5's or Qt 6's widgets library.
field_has "$app" Depends "libqt${qt}widgets${qt}"
field_has "$app" Depends 'libc6'
field_has "$app" Depends 'libcap2-bin'      # setcap, for the postinst
field_is "$sim" Package brenmoor-devicesim
field_is "$sim" Version "$version"

listed=$(files "$app")
for f in ./usr/bin/brenmoor ./usr/bin/brenmoor-cli ./usr/share/man/man1/brenmoor-cli.1.gz ./usr/share/applications/org.lorvane.Lorvane.desktop \
         ./usr/share/metainfo/org.lorvane.Lorvane.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.lorvane.Lorvane.svg \
         ./usr/share/man/man1/brenmoor.1.gz ./usr/share/doc/brenmoor/copyright ./usr/share/doc/brenmoor/changelog.gz \
         ./etc/ufw/applications.d/brenmoor ./usr/lib/firewalld/services/brenmoor.xml; do
  holds "$listed" "$f"
done
for size in 16 32 48 64 128 256; do
  holds "$listed" "./usr/share/icons/hicolor/${size}x${size}/apps/org.lorvane.Lorvane.png"
done
lacks "$listed" ./usr/bin/bm-devicesim
# The window's translations, built: the .qm files the program loads, never their .ts sources.
for lang in de zh_CN; do
  holds "$listed" "./usr/share/brenmoor/translations/brenmoor_$lang.qm"
done
! grep -q '\.ts$' <<<"$listed" || fail "the package holds a translation source (.ts)"
# The ARP helper: executable, never setuid or setgid (its one capability comes from the postinst).
holds "$listed" .$helper
mode=$(dpkg-deb -c "$app" | awk -v f=".$helper" '$6 == f {print $1}')
[ "$mode" = "-rwxr-xr-x" ] || fail "the ARP helper's mode is '$mode', not -rwxr-xr-x"
control=$out/control
dpkg-deb -e "$app" "$control"
grep -qF 'setcap cap_net_raw=ep "$helper"' "$control/postinst" && grep -qx "helper=$helper" "$control/postinst" \
  || fail "the postinst does not give $helper cap_net_raw"
postinst_mode=$(stat -c %a "$control/postinst")
[ "$postinst_mode" = 755 ] || fail "the postinst's mode is $postinst_mode, not 755"
! grep -v '^[[:space:]]*#' "$control/postinst" | grep -qw -e chmod -e chown \
  || fail "the postinst changes a file's mode or owner"
# dpkg keeps an edited file under /etc only when the package lists it as a conffile, and
# refuses a package whose conffile it lacks: the two sets must match.
conffiles=$(dpkg-deb -I "$app" conffiles 2>/dev/null || true)
etc=$(grep '^\./etc/.*[^/]$' <<<"$listed" | sed 's/^\.//' || true)
[ "$(sort <<<"$conffiles")" = "$(sort <<<"$etc")" ] \
  || fail "conffiles lists '$(echo $conffiles)', the package's files under /etc are '$(echo $etc)'"
holds "$conffiles" /etc/ufw/applications.d/brenmoor
! grep -q -e '/test' -e '/bench' -e '/include/' <<<"$listed" || fail "tests, benchmarks or headers in the package"

listed=$(files "$sim")
holds "$listed" ./usr/bin/bm-devicesim
holds "$listed" ./usr/share/man/man1/bm-devicesim.1.gz
holds "$listed" ./usr/share/doc/brenmoor-devicesim/copyright
lacks "$listed" ./usr/bin/brenmoor

# One version everywhere: the metainfo's release and the manual page.
tree=$out/tree
mkdir -p "$tree"
dpkg-deb -x "$app" "$tree"
grep -q "<release version=\"$version\"" "$tree/usr/share/metainfo/org.lorvane.Lorvane.metainfo.xml" \
  || fail "the metainfo release is not $version"
zcat "$tree/usr/share/man/man1/brenmoor.1.gz" | grep -q "Lorvane $version" || fail "the manual page is not of $version"
zcat "$tree/usr/share/doc/brenmoor/changelog.gz" | head -n 1 | grep -q "^brenmoor ($version)" \
  || fail "the changelog is not of $version"
# The firewall profiles, read by the firewalls' own code from Debian's python3 (the one their
# modules are installed for); a refusal prints the reader's own message. ufw reads every
# profile in its folder as `ufw app list` does and drops, with a warning, one it refuses
# (a missing field, a port list without its protocol): the folder must give exactly the
# profile `Lorvane` that the README and the manual page name, for UDP 21089 and 52380, and
# no warning.
py=/usr/bin/python3
if "$py" -c 'import ufw.applications' 2>/dev/null; then
  got=$("$py" - "$tree/etc/ufw/applications.d" <<'EOF' 2>&1
import gettext, sys
import ufw.common
gettext.install(ufw.common.programName)  # ufw's messages need _(), which its command installs
import ufw.applications, ufw.util
try:
    profiles = ufw.applications.get_profiles(sys.argv[1])
    if sorted(profiles) != ["Lorvane"]:
        sys.exit("profiles %s, not ['Lorvane']" % sorted(profiles))
    ports = set()
    for entry in ufw.applications.get_ports(profiles["Lorvane"]):
        port, proto = ufw.util.parse_port_proto(entry)
        ports.update("%s/%s" % (p, proto) for p in port.split(","))
    print(" ".join(sorted(ports)))
except ufw.common.UFWError as error:
    sys.exit(error.value)
EOF
  ) || true
  [ "$got" = "21089/udp 52380/udp" ] || fail "ufw reads the profile as: $got"
else
  echo "SKIP: ufw's Python module is absent (Debian package ufw): the ufw profile is not parsed"
fi
# firewalld's reader parses the service and checks each element and port as the daemon does
# at start; the service `brenmoor` must open UDP 21089 and 52380 and nothing else (no
# protocol, source port, destination or helper that would widen or narrow it).
if "$py" -c 'import firewall.core.io.service' 2>/dev/null; then
  got=$("$py" - "$tree/usr/lib/firewalld/services" <<'EOF' 2>&1
import sys
from firewall.core.io.service import service_reader
from firewall.errors import FirewallError
try:
    service = service_reader("brenmoor.xml", sys.argv[1])
    config = service.export_config_dict()
    service.check_config_dict(config, {})
    if not service.short or not service.description:
        sys.exit("no short or no description")
    if set(config) != {"short", "description", "ports"}:
        sys.exit("elements %s, not short, description and ports" % sorted(config))
    print(" ".join(sorted("%s/%s" % port for port in service.ports)))
except FirewallError as error:
    sys.exit(str(error))
EOF
  ) || true
  [ "$got" = "21089/udp 52380/udp" ] || fail "firewalld reads the service as: $got"
else
  echo "SKIP: firewalld's Python module is absent (Debian package python3-firewall): the firewalld service is not parsed"
fi

file "$tree/usr/bin/brenmoor" | grep -q ', stripped' || fail "the program is not stripped"
# The helper that holds cap_net_raw links the C and C++ runtimes and nothing else.
file "$tree$helper" | grep -q ', stripped' || fail "the ARP helper is not stripped"
for lib in $(objdump -p "$tree$helper" | awk '$1 == "NEEDED" {print $2}'); do
  case $lib in
    libc.so.* | libm.so.* | libstdc++.so.* | libgcc_s.so.*) ;;
    # A sanitizer build (CI's stage, never a package) brings its runtimes.
    libasan.so.* | libubsan.so.* | libtsan.so.*) [ -n "${BM_SANITIZED:-}" ] || fail "the ARP helper links $lib" ;;
    *) fail "the ARP helper links $lib" ;;
  esac
done
# The command-line tool needs no widgets and no display.
! objdump -p "$tree/usr/bin/brenmoor-cli" | grep -q -e 'libQt5Widgets' -e 'libQt5Gui' || fail "brenmoor-cli links Qt's widgets"

# Installed: the postinst gives the helper cap_net_raw and nothing else, and a purge leaves
# nothing behind. Only as root, only where the package is not installed already (this test
# must not replace a user's copy) and where dpkg -i can configure it.
install_check() {
  local depends log state got
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: not root: the package is not installed to check the helper's capability"; return
  fi
  # Any state but none at all: a removed package's kept configuration would go with the purge.
  state=$(dpkg-query -W -f='${db:Status-Status}' brenmoor 2>/dev/null || true)
  if [ -n "$state" ] && [ "$state" != not-installed ]; then
    echo "SKIP: brenmoor is on this machine ($state): the installed check would replace it"; return
  fi
  depends=$(dpkg-deb -f "$app" Depends)
  if ! (cd "$out" && dpkg-checkbuilddeps -d "$depends" /dev/null) >/dev/null 2>&1; then
    echo "SKIP: the package's dependencies are not all installed: dpkg -i would not configure it ($depends)"
    return
  fi
  installed=yes
  if ! log=$(dpkg -i "$app" 2>&1); then
    if grep -q 'lock' <<<"$log"; then
      installed=no
      echo "SKIP: dpkg is busy (its lock is held): the package is not installed"; return
    fi
    fail "dpkg -i failed: $log"; return
  fi
  got=$(getcap "$helper" 2>&1)
  [ "$got" = "$helper cap_net_raw=ep" ] || fail "getcap says '$got', not '$helper cap_net_raw=ep'"
  [ "$(stat -c %a "$helper")" = 755 ] || fail "the installed helper's mode is $(stat -c %a "$helper"), not 755"
  dpkg --purge brenmoor >/dev/null 2>&1 || fail "dpkg --purge brenmoor failed"
  installed=no
  [ ! -e "$helper" ] || fail "$helper is left after the purge"
  [ ! -e "$(dirname "$helper")" ] || fail "$(dirname "$helper") is left after the purge"
  echo "installed: getcap said '$got'; purged: $(dirname "$helper") is gone"
}
install_check

[ "$failures" -eq 0 ] || exit 1
echo "packages of $version: $(basename "$app") $(du -k "$app" | cut -f1) kB, $(basename "$sim") $(du -k "$sim" | cut -f1) kB"
