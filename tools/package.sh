#!/usr/bin/env bash
# Builds the Debian packages into out/: brenmoor (the program) and brenmoor-devicesim (the
# device simulator). Installs what is missing, builds with Debian's hardening flags in
# build-package/, and packs with CPack.
#   tools/package.sh            then: apt-get install ./out/brenmoor_<version>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" package
build=$root/build-package
rm -rf "$build/_CPack_Packages"
CFLAGS="" CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" BM_PRESET=package "$root/tools/build.sh"
(cd "$build" && cpack -G DEB >/dev/null)
mkdir -p "$root/out"
for deb in "$build"/*.deb; do
  cp "$deb" "$root/out/"
  echo "package: out/$(basename "$deb") ($(du -k "$deb" | cut -f1) kB)"
done
