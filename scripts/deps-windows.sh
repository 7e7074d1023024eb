#!/usr/bin/env bash
# Builds the Windows (mingw-w64, static) dependency prefix from Debian's source packages into a
# cache outside the repository, keyed by a hash of this recipe and the toolchain file, so every
# later run reuses it. Prints nothing when the prefix is already there.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
key=$(cat "$0" "$root/cmake/toolchain-mingw64.cmake" | sha256sum | cut -c1-16)
prefix="${VV_DEPS_CACHE:-$HOME/.cache/vellview-deps}/$key"
if [ "${1:-}" = --prefix ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  exit 0
fi

echo "setup: building Windows dependencies into $prefix"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Prefixes of older recipes are of no further use.
rm -rf "$(dirname "$prefix")"/*/
mkdir -p "$prefix"
jobs=$(nproc)

# apt-get source fails with 404 when the newest version sits in an unmirrored suite; then try the
# other versions Debian lists, newest first.
fetch() {
  local pkg=$1 dir=$work/src-$1
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -qq "$pkg" >/dev/null 2>&1) && return 0
  local v
  for v in $(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -Vr -u); do
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1) && return 0
  done
  echo "setup: cannot fetch the source of $pkg" >&2
  return 1
}

srcdir() { find "$work/src-$1" -mindepth 1 -maxdepth 1 -type d | head -1; }

build() {
  local name=$1 src=$2; shift 2
  cmake -S "$src" -B "$work/build-$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DVV_DEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" >"$work/$name.log" 2>&1 ||
    { tail -40 "$work/$name.log"; return 1; }
  cmake --build "$work/build-$name" -j "$jobs" >>"$work/$name.log" 2>&1 &&
    cmake --install "$work/build-$name" >>"$work/$name.log" 2>&1 ||
    { tail -40 "$work/$name.log"; return 1; }
}

for p in freetype libjpeg-turbo libpng1.6 tiff; do fetch "$p"; done

build freetype "$(srcdir freetype)" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_REQUIRE_ZLIB=ON
build libjpeg-turbo "$(srcdir libjpeg-turbo)" -DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
build libpng "$(srcdir libpng1.6)" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF
build tiff "$(srcdir tiff)" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF
build googletest /usr/src/googletest

touch "$prefix/.complete"
echo "setup: Windows dependencies ready"
