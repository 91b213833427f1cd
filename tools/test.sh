#!/usr/bin/env bash
# Builds every configuration and runs every test; ends with "N passed, N failed".
set -u
source "$(dirname "$0")/common.sh"

kv_bootstrap || exit 1
kv_build_native || { echo "native build failed"; exit 1; }
kv_build_win || { echo "cross build failed"; exit 1; }
kv_build_release || { echo "release build failed"; exit 1; }
kv_build_fuzz || { echo "fuzz build failed"; exit 1; }

kv_start_display || exit 1
trap 'kv_stop_lanes; kv_stop_display; kv_unmount_small_disks' EXIT
kv_mount_small_disks
kv_start_lanes || exit 1

passed=0
failed=0
# Tallies one configuration: gtest XML files for the counts, CTest for programs that
# ended badly without a report of their own.
tally() {
  local build=$1 results=$2
  local name xml t f e d
  for name in $(cd "$build" && ctest -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p'); do
    # A program run again writes name_1.xml beside its first report: the newest counts.
    xml=$(ls -t "$results/$name.xml" "$results/${name}"_[0-9]*.xml 2>/dev/null | head -n1)
    [ -n "$xml" ] || xml="$results/$name.xml"
    if [ -f "$xml" ]; then
      read -r t f e d < <(grep -o '<testsuites [^>]*' "$xml" | head -n1 |
        sed -E 's/.*tests="([0-9]+)".*failures="([0-9]+)".*disabled="([0-9]+)".*errors="([0-9]+)".*/\1 \2 \4 \3/')
      local sk
      sk=$(grep -c '<skipped' "$xml")
      passed=$((passed + t - f - e - d - sk))
      failed=$((failed + f + e))
      if [ "$f" -eq 0 ] && [ "$e" -eq 0 ] && grep -qx "[0-9]*:$name" "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null; then
        failed=$((failed + 1))
      fi
    else
      failed=$((failed + 1))
      echo "no report from $name"
    fi
  done
}

rm -rf "$native_build/results" "$win_build/results" "$native_build/Testing/Temporary/LastTestsFailed.log" "$win_build/Testing/Temporary/LastTestsFailed.log"
mkdir -p "$native_build/results" "$win_build/results"

echo "== native tests (sanitizers)"
(cd "$native_build" && GTEST_OUTPUT="xml:$native_build/results/" ctest --output-on-failure -j "$jobs")
echo "== Windows tests under Wine"
# Wine now and then fails to start a process (a program ends at once, unreported); a
# program that fails is run once more, and its second report counts. A fault fails both.
(cd "$win_build" && GTEST_OUTPUT='xml:D:\results\' ctest --output-on-failure -j "$kv_lanes" \
  --resource-spec-file "$win_build/lanes.json" --repeat until-pass:2 ${KV_CTEST_ARGS:-})

echo "== fuzz targets (a fixed number of inputs each)"
rm -rf "$fuzz_build/testwork"
KV_FUZZ_WORK=testwork kv_run_fuzz -runs=${KV_FUZZ_RUNS:-4000} -seed=1
passed=$((passed + fuzz_passed))
failed=$((failed + fuzz_failed))

echo "== delivered programs (release build)"
kv_check_delivered
passed=$((passed + delivered_passed))
failed=$((failed + delivered_failed))

tally "$native_build" "$native_build/results"
tally "$win_build" "$win_build/results"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
