#!/usr/bin/env bash
# One-time (and idempotent) set-up of a Debian 12 machine for building and testing Vellview:
# Debian packages, then the Windows dependency prefix built from Debian's source packages.
# A second run only checks and returns in seconds. Must run as root (apt-get).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

packages=(
  cmake ninja-build ccache g++ clang libclang-rt-14-dev dpkg-dev ca-certificates
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine64 wine xvfb xauth x11-apps imagemagick
  zlib1g-dev libfreetype-dev libtiff-dev libjpeg-dev libpng-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libtiff-tools poppler-utils hp2xx hershey-fonts-data fonts-dejavu-core gdal-bin python3-ezdxf
  cups cups-bsd printer-driver-cups-pdf
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sources=/etc/apt/sources.list.d/debian.sources
need_update=0
if [ -f "$sources" ] && grep -q '^Types: deb$' "$sources"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  need_update=1
fi
if [ $need_update = 1 ]; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$here/deps-windows.sh"
