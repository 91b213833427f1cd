#!/usr/bin/env bash
# Installs what the build and the tests need, once. Quick when everything is there.
#   tools/bootstrap.sh [--nsis]    --nsis: also the peer installer the install benchmark times
set -euo pipefail
want_nsis=
[ "${1:-}" = "--nsis" ] && want_nsis=1
here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/.cache"
mkdir -p "$cache"

need_pkgs=()
# A mirror in the middle of a sync fails one index now and then: try again, then go on with
# what was fetched (the install itself says what is missing).
apt_update() {
  local i
  for i in 1 2 3; do
    apt-get update -qq && return 0
    sleep $((i * 10))
  done
  echo "bootstrap: apt-get update kept failing; going on with the indexes it has" >&2
}
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
have clang++ || need_pkgs+=(clang)
[ -z "$want_nsis" ] || have makensis || need_pkgs+=(nsis)
# libFuzzer runtime of the fuzz build
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need_pkgs+=(libclang-rt-14-dev)
# Fonts with the widths of Arial, Times New Roman and Courier New, which the prefix stands
# in for those faces (cmake/wine-run.sh.in).
[ -f /usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf ] || need_pkgs+=(fonts-liberation2)
# The tests run the i686 programs under 32-bit Wine where this machine runs 32-bit code,
# else x86_64 builds of them under 64-bit Wine (see tools/common.sh).
arch=$(bash "$here/tools/win-arch.sh")
if [ "$arch" = i686 ]; then
  if ! dpkg -s wine32:i386 >/dev/null 2>&1 || ! have wine; then
    need_pkgs+=(wine wine32:i386)
  fi
else
  if ! dpkg -s wine64 >/dev/null 2>&1 || ! have wine; then
    need_pkgs+=(wine wine64)
  fi
fi

if [ ${#need_pkgs[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need_pkgs[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
  apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null
fi
# A 32-bit loader that cannot run would be chosen by the wine command over the 64-bit one.
if [ "$arch" != i686 ] && dpkg -s wine32:i386 >/dev/null 2>&1; then
  echo "bootstrap: this machine runs no 32-bit code: removing wine32"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 libwine:i386 >/dev/null
fi

# libpng for the cross targets, built from Debian's source package: i686 always (the
# programs), x86_64 too where the tests run 64-bit.
fetch_png_source() {
  local src_list=/etc/apt/sources.list.d/project-deb-src.sources
  if [ ! -f "$src_list" ]; then
    local base
    base=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v project-deb-src | head -n1 || true)
    if [ -n "$base" ]; then
      # Copy the machine's own entries, for sources.
      sed -e 's/^Types:.*/Types: deb-src/' "$base" > "$src_list"
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/project-deb-src.list
    fi
    apt_update
  fi
  mkdir -p "$cache/libpng-src"
  (
    cd "$cache/libpng-src"
    if ! ls libpng1.6_*.orig.tar.* >/dev/null 2>&1; then
      ok=
      for v in $(apt-cache showsrc libpng1.6 | awk '/^Version:/{print $2}'); do
        if apt-get source --download-only -qq "libpng1.6=$v" >/dev/null 2>&1; then ok=1; break; fi
      done
      [ -n "$ok" ] || { echo "bootstrap: could not fetch the libpng source" >&2; exit 1; }
    fi
  )
}
build_png() {
  local target=$1 png_prefix=$2
  [ -f "$png_prefix/lib/libpng16.a" ] && return 0
  fetch_png_source
  local work="$cache/libpng-src/$target"
  rm -rf "$work" && mkdir -p "$work/unpacked"
  tar -xf "$cache"/libpng-src/libpng1.6_*.orig.tar.* -C "$work/unpacked" --strip-components=1
  cmake -S "$work/unpacked" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$target.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$png_prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF >/dev/null
  cmake --build "$work/build" >/dev/null
  cmake --install "$work/build" >/dev/null
  echo "bootstrap: libpng built into $png_prefix"
}
build_png i686 "$cache/libpng-mingw"
[ "$arch" = i686 ] || build_png "$arch" "$cache/libpng-mingw-$arch"
