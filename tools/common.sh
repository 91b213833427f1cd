# Shared steps of the run and test commands. Source it; it sets $root.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
win_build="$root/build/win"
native_build="$root/build/native"
win32_build="$root/build/win32"
fuzz_build="$root/build/fuzz"
jobs=$(nproc 2>/dev/null || echo 4)
# The architecture the Windows tests are built for and run as (tools/win-arch.sh).
win_arch=$(bash "$root/tools/win-arch.sh")

# The bootstrap may take the 64-bit route where 32-bit Wine cannot be installed: ask again.
kv_bootstrap() { bash "$root/tools/bootstrap.sh" "$@" && win_arch=$(bash "$root/tools/win-arch.sh"); }

# The cross build of everything, for $win_arch. Where that is not i686, the three
# programs are built for i686 as well, in build/win32: they are what is delivered.
kv_build_win() {
  if [ -f "$win_build/CMakeCache.txt" ] && ! grep -q "mingw-$win_arch.cmake" "$win_build/CMakeCache.txt"; then
    kv_unmount_small_disks
    rm -rf "$win_build"
  fi
  if [ ! -f "$win_build/build.ninja" ]; then
    cmake -S "$root" -B "$win_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$win_arch.cmake" >/dev/null || return 1
  fi
  cmake --build "$win_build" -j "$jobs" || return 1
  [ "$win_arch" = i686 ] && return 0
  if [ ! -f "$win32_build/build.ninja" ]; then
    cmake -S "$root" -B "$win32_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null || return 1
  fi
  cmake --build "$win32_build" -j "$jobs" --target Setup UnInstall Rookwell
}

kv_build_native() {
  if [ ! -f "$native_build/build.ninja" ]; then
    cmake -S "$root" -B "$native_build" -G Ninja >/dev/null || return 1
  fi
  cmake --build "$native_build" -j "$jobs"
}

# The fuzz targets: a native build with clang and libFuzzer (package libclang-rt-14-dev).
kv_build_fuzz() {
  if [ ! -f "$fuzz_build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DKV_FUZZ=ON >/dev/null || return 1
  fi
  cmake --build "$fuzz_build" -j "$jobs" || return 1
  # Starting inputs, written afresh by the project's own writers.
  rm -rf "$fuzz_build/seeds"
  "$fuzz_build/bin/FuzzSeeds" "$fuzz_build/seeds" "$root/demo/package/Setup.txt" || return 1
  mkdir -p "$fuzz_build/seeds/language" "$fuzz_build/seeds/uninstall-script"
  cp "$root/installer/resources/English.lng" "$fuzz_build/seeds/language/English.lng"
  cp "$root/demo/uninstall/UnInstall.txt" "$fuzz_build/seeds/uninstall-script/demo.txt"
}

# Runs every fuzz target (or those named in KV_FUZZ_TARGETS) with the libFuzzer options
# given, from their seeds and the inputs kept in build/fuzz/$KV_FUZZ_WORK (default "work");
# what a target finds goes to build/fuzz/found. Sets fuzz_passed and fuzz_failed.
kv_run_fuzz() {
  local bin name work="$fuzz_build/${KV_FUZZ_WORK:-work}"
  fuzz_passed=0
  fuzz_failed=0
  mkdir -p "$fuzz_build/found"
  for bin in "$fuzz_build"/bin/fuzz_*; do
    name=${bin##*/fuzz_}
    if [ -n "${KV_FUZZ_TARGETS:-}" ] && ! [[ " $KV_FUZZ_TARGETS " == *" $name "* ]]; then continue; fi
    mkdir -p "$work/$name"
    if "$bin" "$@" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$fuzz_build/found/$name-" \
        "$work/$name" "$fuzz_build/seeds/$name" >"$fuzz_build/$name.log" 2>&1; then
      fuzz_passed=$((fuzz_passed + 1))
      echo "fuzz $name: clean ($(grep -o 'Done [0-9]* runs' "$fuzz_build/$name.log"))"
    else
      fuzz_failed=$((fuzz_failed + 1))
      echo "fuzz $name: FOUND A FAULT, see $fuzz_build/$name.log"
      grep -E "ERROR|SUMMARY|Test unit written" "$fuzz_build/$name.log" | head -n 5
    fi
  done
}

# Starts Xvfb when there is no display; kv_stop_display ends what was started.
kv_started_xvfb=
kv_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  # Xvfb picks a free display number itself and writes it to the file.
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  kv_started_xvfb=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -dc 0-9 <"$numfile")"
      rm -f "$numfile"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$numfile"
  echo "could not start Xvfb" >&2
  return 1
}
kv_stop_display() {
  if [ -n "$kv_started_xvfb" ]; then kill "$kv_started_xvfb" 2>/dev/null; wait "$kv_started_xvfb" 2>/dev/null; fi
  kv_started_xvfb=
}

# The build's Wine prefix, made when missing, with a persistent server while tests run.
kv_start_wineserver() {
  "$win_build/wine-run.sh" --prepare || return 1
  WINEPREFIX="$win_build/wineprefix" wineserver -p >/dev/null 2>&1
  # The first program starts Wine's own services, which keep its output open:
  # let a quiet one do that, so no test's output pipe is held.
  "$win_build/wine-run.sh" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
  return 0
}
kv_stop_wineserver() {
  WINEPREFIX="$win_build/wineprefix" wineserver -k 2>/dev/null
  WINEPREFIX="$win_build/wineprefix" wineserver -w 2>/dev/null
  return 0
}

# The tests' small disks: tmpfs file systems of a fixed size under build/win/fixtures,
# which the test prefix maps to drive letters (cmake/wine-run.sh.in: S: 3 MB, T: 10 MB).
# Mounting needs root; without it the tests that need a full disk say so and are skipped.
# A mount left by an earlier run is taken away first, so each run starts on empty disks.
kv_small_disks="disk3m:3m disk10m:10m"
kv_mount_small_disks() {
  local d dir
  for d in $kv_small_disks; do
    dir="$win_build/fixtures/${d%%:*}"
    mkdir -p "$dir" || continue
    kv_unmount_disk "$dir"
    if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o "size=${d#*:},mode=0755" tmpfs "$dir" 2>/dev/null; then
      echo "no small disk at $dir (mounting a tmpfs needs root): the full-disk tests are skipped"
    fi
  done
  return 0
}
kv_unmount_small_disks() {
  local d
  for d in $kv_small_disks; do kv_unmount_disk "$win_build/fixtures/${d%%:*}"; done
  return 0
}
kv_unmount_disk() {
  # Mounts stacked by earlier runs come off one by one; a busy one is detached lazily.
  local i
  for i in 1 2 3 4 5 6 7 8; do
    mountpoint -q "$1" 2>/dev/null || return 0
    umount "$1" 2>/dev/null || umount -l "$1" 2>/dev/null || return 0
  done
}

# The start of a benchmark: the cross build, a display and the Wine server, the last two
# stopped again when the script ends.
kv_bench_start() {
  kv_bootstrap "$@" || return 1
  kv_build_win || { echo "cross build failed"; return 1; }
  kv_start_display || return 1
  trap 'kv_stop_wineserver; kv_stop_display' EXIT
  kv_start_wineserver
}
