#!/usr/bin/env bash
# Installs what the build and the tests need, once. Quick when everything is there.
#   tools/bootstrap.sh [--nsis]    --nsis: also the peer installer the install benchmark times
set -euo pipefail
want_nsis=
[ "${1:-}" = "--nsis" ] && want_nsis=1
here=$(cd "$(dirname "$0")/.." && pwd)
cache="${KV_BOOTSTRAP_CACHE:-$here/.cache}"
mkdir -p "$cache"

# A mirror in the middle of a sync fails one index now and then: try again, then go on with
# what was fetched (the install itself says what is missing).
apt_update() {
  local i
  for i in 1 2 3; do
    apt-get update -qq && return 0
    sleep $((i * ${KV_APT_RETRY_PAUSE:-10}))
  done
  echo "bootstrap: apt-get update kept failing; going on with the indexes it has" >&2
}
have() { command -v "$1" >/dev/null 2>&1; }
installed() { dpkg -s "$1" >/dev/null 2>&1; }

# Everything but Wine: the toolchain and the tools of the tests. None of it depends on
# the 32-bit architecture, so a lagging i386 index never keeps it from being installed.
need_pkgs=()
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
# Extra packages a caller asks for (the install benchmark: nsis).
for p in ${KV_EXTRA_PKGS:-}; do installed "$p" || need_pkgs+=("$p"); done

# The tests run the i686 programs under 32-bit Wine where this machine runs 32-bit code,
# else x86_64 builds of them under 64-bit Wine (tools/win-arch.sh answers by what is
# installed once this script is done).
machine=$(bash "$here/tools/win-arch.sh" --machine)
# When 32-bit Wine could not be installed, the 64-bit route is taken; the next tries wait.
wine32_failed="$cache/wine32-failed"
wine_pkgs=()
if [ "$machine" = i686 ]; then
  if ! installed wine32:i386 || ! have wine; then
    if [ -f "$wine32_failed" ] && [ -n "$(find "$wine32_failed" -mmin -360 2>/dev/null)" ]; then
      installed wine64 && have wine || wine_pkgs=(wine wine64)
    else
      wine_pkgs=(wine wine32:i386)
    fi
  fi
else
  if ! installed wine64 || ! have wine; then
    wine_pkgs=(wine wine64)
  fi
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#need_pkgs[@]} -gt 0 ] || [ ${#wine_pkgs[@]} -gt 0 ]; then
  if [[ " ${wine_pkgs[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
fi
if [ ${#need_pkgs[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need_pkgs[*]}"
  apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null
fi
apt_install_wine() { apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
if [ ${#wine_pkgs[@]} -gt 0 ]; then
  echo "bootstrap: installing ${wine_pkgs[*]}"
  if [ "${wine_pkgs[1]}" = "wine32:i386" ]; then
    # The i386 libraries must match their amd64 twins; when an updates suite's i386 index
    # lags, the distribution's main suite still has both at one version.
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    if apt_install_wine "${wine_pkgs[@]}" ||
       { [ -n "$codename" ] && echo "bootstrap: trying again from the $codename suite" &&
         apt_install_wine -t "$codename" "${wine_pkgs[@]}"; }; then
      rm -f "$wine32_failed"
    else
      echo "bootstrap: 32-bit Wine cannot be installed now (a package index lags?): the tests take the 64-bit route (64-bit Wine, x86_64 test build)"
      date > "$wine32_failed"
      apt_install_wine wine wine64
    fi
  else
    apt_install_wine "${wine_pkgs[@]}"
  fi
fi
[ -z "${KV_BOOTSTRAP_PACKAGES_ONLY:-}" ] || exit 0
# A 32-bit loader that cannot run would be chosen by the wine command over the 64-bit one.
if [ "$machine" != i686 ] && installed wine32:i386; then
  echo "bootstrap: this machine runs no 32-bit code: removing wine32"
  apt-get remove -y -qq wine32:i386 libwine:i386 >/dev/null
fi
arch=$(bash "$here/tools/win-arch.sh")

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
