# Shared steps of the run and test commands. Source it; it sets $root.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
win_build="$root/build/win"
native_build="$root/build/native"
release_build="$root/build/release"
fuzz_build="$root/build/fuzz"
jobs=$(nproc 2>/dev/null || echo 4)
# The architecture the Windows tests are built for and run as (tools/win-arch.sh).
win_arch=$(bash "$root/tools/win-arch.sh")

# The bootstrap may take the 64-bit route where 32-bit Wine cannot be installed: ask again.
kv_bootstrap() { bash "$root/tools/bootstrap.sh" "$@" && win_arch=$(bash "$root/tools/win-arch.sh"); }

# kv_configure FOLDER ARCH [BUILD-TYPE]: a cross build folder for ARCH, made afresh when it
# was made for another architecture or build type.
kv_configure() {
  local dir=$1 arch=$2 type=${3:-}
  if [ -f "$dir/CMakeCache.txt" ] && { ! grep -q "mingw-$arch.cmake" "$dir/CMakeCache.txt" ||
      { [ -n "$type" ] && ! grep -qx "CMAKE_BUILD_TYPE:[A-Z]*=$type" "$dir/CMakeCache.txt"; }; }; then
    rm -rf "$dir"
  fi
  [ -f "$dir/build.ninja" ] && return 0
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    ${type:+-DCMAKE_BUILD_TYPE=$type} >/dev/null
}

# The cross build of everything for $win_arch, the test build (programs, libraries, tests).
kv_build_win() {
  if [ -f "$win_build/CMakeCache.txt" ] && ! grep -q "mingw-$win_arch.cmake" "$win_build/CMakeCache.txt"; then
    kv_unmount_small_disks
  fi
  kv_configure "$win_build" "$win_arch" || return 1
  cmake --build "$win_build" -j "$jobs"
}

# The programs users get: i686 release builds in build/release, optimised and stripped,
# each within its size in MB.
kv_delivered="Setup:3 UnInstall:2 Rookwell:3"
kv_delivered_targets() { local p; for p in $kv_delivered; do echo "${p%%:*}"; done; }
# kv_build_release [TARGET...]: the delivered programs, and the targets named beside them.
kv_build_release() {
  kv_configure "$release_build" i686 Release || return 1
  cmake --build "$release_build" -j "$jobs" --target $(kv_delivered_targets) "$@"
}
# kv_build_run [TARGET...]: the delivered programs and the build that the run command and the
# install benchmark run, $run_build, with the targets named: build/release itself, or where
# this machine runs no 32-bit code an x86_64 release build of the same programs beside it.
kv_build_run() {
  run_build=$release_build
  if [ "$win_arch" = i686 ]; then
    kv_build_release "$@"
    return
  fi
  run_build="$release_build-$win_arch"
  kv_build_release || return 1
  kv_configure "$run_build" "$win_arch" Release || return 1
  cmake --build "$run_build" -j "$jobs" --target $(kv_delivered_targets) "$@"
}

# Checks the delivered programs: each within its size and without debug sections. Sets
# delivered_passed and delivered_failed.
kv_check_delivered() {
  local p name limit exe size format debug
  delivered_passed=0
  delivered_failed=0
  for p in $kv_delivered; do
    name=${p%%:*} limit=$((${p#*:} * 1024 * 1024)) exe="$release_build/bin/${p%%:*}.exe"
    if [ ! -f "$exe" ]; then
      delivered_failed=$((delivered_failed + 1))
      echo "delivered $name.exe: MISSING ($exe)"
      continue
    fi
    size=$(stat -c %s "$exe")
    format=$(i686-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')
    debug=$(i686-w64-mingw32-objdump -h "$exe" | awk '$2 ~ /^\.debug/ {printf " %s", $2}')
    if [ "$size" -le "$limit" ] && [ "$format" = pei-i386 ] && [ -z "$debug" ]; then
      delivered_passed=$((delivered_passed + 1))
      echo "delivered $name.exe: $size bytes (at most $limit), $format, no debug sections"
    else
      delivered_failed=$((delivered_failed + 1))
      echo "delivered $name.exe: FAILED: $size bytes (at most $limit), ${format:-not an i686 program}${debug:+, debug sections:$debug}"
    fi
  done
}

# kv_describe BUILD PROGRAM...: the build's type and folder and the programs' sizes.
kv_describe() {
  local build=$1 type p
  shift
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
  printf '%s build %s' "${type:-Debug}" "$build"
  for p in "$@"; do printf ', bin/%s %s bytes' "$p" "$(stat -c %s "$build/bin/$p" 2>/dev/null || echo '?')"; done
  echo
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
  # Inputs kept from earlier runs and reports: tests/fuzz/corpus/<target>/.
  local kept
  for kept in "$root"/tests/fuzz/corpus/*/; do
    mkdir -p "$fuzz_build/seeds/$(basename "$kept")"
    cp "$kept"* "$fuzz_build/seeds/$(basename "$kept")/"
  done
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
  kv_start_xvfb || return 1
  kv_started_xvfb=$kv_xvfb_pid
  export DISPLAY=$kv_xvfb_display
}
# Starts an Xvfb of its own; sets kv_xvfb_pid and kv_xvfb_display.
kv_start_xvfb() {
  # Xvfb picks a free display number itself and writes it to the file.
  local numfile i
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  kv_xvfb_pid=$!
  for i in $(seq 1 100); do
    if [ -s "$numfile" ]; then
      kv_xvfb_display=":$(tr -dc 0-9 <"$numfile")"
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

# The Wine prefix of a build (default the test build), made when missing, with a
# persistent server while tests run.
# A quiet first program brings up the server and Wine's services (cmake/wine-run.sh.in).
kv_start_wineserver() {
  local build=${1:-$win_build}
  "$build/wine-run.sh" --prepare || return 1
  "$build/wine-run.sh" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
  return 0
}
kv_stop_wineserver() {
  local build=${1:-$win_build}
  WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null
  WINEPREFIX="$build/wineprefix" wineserver -w 2>/dev/null
  return 0
}

# The test command's lanes: the Windows tests run side by side, one test a lane at a time, each
# lane with a Wine prefix, a display and small disks of its own, so that tests that need the
# whole registry, the focus or a disk to themselves never meet. Lane 0 is the test build's own
# prefix (build/win), lane N lives in build/win/lanes/N. CTest hands out the lanes from the
# resource file kv_start_lanes writes.
kv_lanes=${KV_LANES:-$(( jobs / 2 < 1 ? 1 : (jobs / 2 > 4 ? 4 : jobs / 2) ))}
kv_lane_root() { if [ "$1" -eq 0 ]; then echo "$win_build"; else echo "$win_build/lanes/$1"; fi; }
kv_lane_xvfb=
kv_start_lanes() {
  local lane displays=$DISPLAY lanes_file="$win_build/lanes.json" pids=()
  for lane in $(seq 1 $((kv_lanes - 1))); do
    kv_start_xvfb || return 1
    kv_lane_xvfb+=" $kv_xvfb_pid"
    displays+=" $kv_xvfb_display"
  done
  export KV_LANE_DISPLAYS=$displays
  # New prefixes are made side by side.
  for lane in $(seq 0 $((kv_lanes - 1))); do
    CTEST_RESOURCE_GROUP_0_LANE="id:$lane" kv_start_wineserver &
    pids+=($!)
  done
  for lane in "${pids[@]}"; do wait "$lane" || return 1; done
  {
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"lane": ['
    for lane in $(seq 0 $((kv_lanes - 1))); do
      printf '%s{"id": "%d", "slots": 1}' "$([ "$lane" -eq 0 ] || echo ', ')" "$lane"
    done
    printf ']}]}\n'
  } >"$lanes_file"
}
kv_stop_lanes() {
  local lane pid pids=()
  for lane in $(seq 0 $((kv_lanes - 1))); do
    kv_stop_wineserver "$(kv_lane_root "$lane")" &
    pids+=($!)
  done
  wait "${pids[@]}"
  for pid in $kv_lane_xvfb; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  kv_lane_xvfb=
  return 0
}

# The tests' small disks: tmpfs file systems of a fixed size under each lane's fixtures,
# which the lane's prefix maps to drive letters (cmake/wine-run.sh.in: S: 3 MB, T: 10 MB,
# R: 4 MB, which also holds the prefix's folder of run journals).
# Mounting needs root; without it the tests that need a full disk say so and are skipped.
# A mount left by an earlier run is taken away first, so each run starts on empty disks.
kv_small_disks="disk3m:3m disk10m:10m disk4m:4m"
kv_mount_small_disks() {
  local d dir lane
  for lane in $(seq 0 $((kv_lanes - 1))); do
    for d in $kv_small_disks; do
      dir="$(kv_lane_root "$lane")/fixtures/${d%%:*}"
      mkdir -p "$dir" || continue
      kv_unmount_disk "$dir"
      if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o "size=${d#*:},mode=0755" tmpfs "$dir" 2>/dev/null; then
        echo "no small disk at $dir (mounting a tmpfs needs root): the full-disk tests are skipped"
      fi
    done
  done
  return 0
}
kv_unmount_small_disks() {
  local d dir
  for dir in "$win_build" "$win_build"/lanes/*; do
    for d in $kv_small_disks; do kv_unmount_disk "$dir/fixtures/${d%%:*}"; done
  done
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

# The start of a benchmark on a build that is there: a display and the build's Wine server,
# both stopped again when the script ends.
kv_bench_start() {
  bench_build=$1
  kv_start_display || return 1
  trap 'kv_stop_wineserver "$bench_build"; kv_stop_display' EXIT
  kv_start_wineserver "$bench_build"
}
