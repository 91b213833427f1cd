#!/usr/bin/env bash
# Installs what the build and the tests need, once. Quick when everything is there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/.cache"
mkdir -p "$cache"

need_pkgs=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need_pkgs+=(mingw-w64)
[ -f /usr/i686-w64-mingw32/lib/libz.a ] || need_pkgs+=(libz-mingw-w64-dev)
have cmake || need_pkgs+=(cmake)
have ninja || need_pkgs+=(ninja-build)
have g++ || need_pkgs+=(g++)
have Xvfb || need_pkgs+=(xvfb)
have import || need_pkgs+=(imagemagick)
have xauth || need_pkgs+=(xauth)
have xdpyinfo || need_pkgs+=(x11-utils)
[ -d /usr/src/googletest ] || need_pkgs+=(googletest)
[ -f /usr/include/zlib.h ] || need_pkgs+=(zlib1g-dev)
if ! dpkg -s wine32:i386 >/dev/null 2>&1 || ! have wine; then
  need_pkgs+=(wine wine32:i386)
fi

if [ ${#need_pkgs[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need_pkgs[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null
fi

# libpng for the cross target, built from Debian's source package.
png_prefix="$cache/libpng-mingw"
if [ ! -f "$png_prefix/lib/libpng16.a" ] && [ ! -f "$png_prefix/lib/libpng.a" ]; then
  src_list=/etc/apt/sources.list.d/project-deb-src.sources
  if [ ! -f "$src_list" ]; then
    base=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v project-deb-src | head -n1 || true)
    if [ -n "$base" ]; then
      # Copy the machine's own entries, for sources.
      sed -e 's/^Types:.*/Types: deb-src/' "$base" > "$src_list"
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/project-deb-src.list
    fi
    apt-get update -qq
  fi
  mkdir -p "$cache/libpng-src"
  cd "$cache/libpng-src"
  if ! ls libpng1.6_*.orig.tar.* >/dev/null 2>&1; then
    ok=
    for v in $(apt-cache showsrc libpng1.6 | awk '/^Version:/{print $2}'); do
      if apt-get source --download-only -qq "libpng1.6=$v" >/dev/null 2>&1; then ok=1; break; fi
    done
    [ -n "$ok" ] || { echo "bootstrap: could not fetch the libpng source" >&2; exit 1; }
  fi
  rm -rf unpacked && mkdir unpacked
  tar -xf libpng1.6_*.orig.tar.* -C unpacked --strip-components=1
  cmake -S unpacked -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$png_prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF >/dev/null
  cmake --build build >/dev/null
  cmake --install build >/dev/null
  echo "bootstrap: libpng built into $png_prefix"
fi
