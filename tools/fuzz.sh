#!/usr/bin/env bash
# Runs the fuzz targets for as long as asked:
#   bash tools/fuzz.sh [seconds per target, default 60] [target...]
# Targets: script, utils, datafile, ... (build/fuzz/bin/fuzz_*). Inputs found are kept in
# build/fuzz/work and grow from run to run; faults go to build/fuzz/found.
set -u
source "$(dirname "$0")/common.sh"
seconds=${1:-60}
shift || true
[ $# -gt 0 ] && export KV_FUZZ_TARGETS="$*"
kv_build_fuzz || { echo "fuzz build failed"; exit 1; }
kv_run_fuzz -max_total_time="$seconds"
echo "$fuzz_passed clean, $fuzz_failed with faults"
[ "$fuzz_failed" -eq 0 ]
