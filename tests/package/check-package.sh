#!/usr/bin/env bash
# Builds the Debian packages from a build folder with CPack and checks their control fields
# and file lists.   check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
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
field_is "$app" Recommends net-tools
field_has "$app" Maintainer '<dev@lorvane.org>'
field_has "$app" Depends 'libqt5widgets5'   # worked out from the binary, not written by hand
field_has "$app" Depends 'libc6'
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
# The command-line tool needs no widgets and no display.
! objdump -p "$tree/usr/bin/brenmoor-cli" | grep -q -e 'libQt5Widgets' -e 'libQt5Gui' || fail "brenmoor-cli links Qt's widgets"

[ "$failures" -eq 0 ] || exit 1
echo "packages of $version: $(basename "$app") $(du -k "$app" | cut -f1) kB, $(basename "$sim") $(du -k "$sim" | cut -f1) kB"
