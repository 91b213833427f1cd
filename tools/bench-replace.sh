#!/usr/bin/env bash
# Benchmark of the execution "Replace Text in File": a 1.5 MB text with one match on each of
# its 15-byte lines (about 105,000) is changed through ExecDriver.exe under Wine. The same run with a
# search text that never occurs (the file read, nothing written) gives the cost of starting
# the driver, which is taken off. Prints the time and checks the result.
#   tools/bench-replace.sh [megabytes]
set -u
source "$(dirname "$0")/common.sh"

megabytes=${1:-1.5}
kv_bootstrap || exit 1
kv_build_win || { echo "cross build failed"; exit 1; }
kv_bench_start "$win_build" || exit 1

# D: is the build folder in the build's Wine prefix.
bench="$win_build/bench-replace"
rm -rf "$bench"
mkdir -p "$bench"
python3 - "$bench" "$megabytes" <<'EOF'
import os, sys
bench, mb = sys.argv[1], float(sys.argv[2])
line = b"key=@VALUE@ x\r\n"  # 15 bytes, one match
count = int(mb * 1024 * 1024) // len(line)
with open(os.path.join(bench, "text.txt"), "wb") as f:
    f.write(line * count)
with open(os.path.join(bench, "expected.txt"), "wb") as f:
    f.write(line.replace(b"@VALUE@", b"C:\\Program Files\\App") * count)
with open(os.path.join(bench, "count"), "w") as f:
    f.write(str(count))
def item(search):
    header = [""] * 30
    params = [""] * 25
    header[1], header[2], header[4] = "Replace", "After Copy", "UnConditional"
    # Slot 4, whose result is the item's.
    header[28], header[29] = "1", "Replace Text in File"
    params[22], params[23], params[24] = "D:\\bench-replace\\text.txt", search, "C:\\Program Files\\App"
    return "#|" + "|".join(header) + "|#|" + "|".join(params) + "|#\r\n"
with open(os.path.join(bench, "none.txt"), "w", newline="") as f:
    f.write(item("@NOWHERE@"))
with open(os.path.join(bench, "replace.txt"), "w", newline="") as f:
    f.write(item("@VALUE@"))
EOF

now() { date +%s.%N; }
run() { "$win_build/wine-run.sh" "$win_build/bin/ExecDriver.exe" "D:\\bench-replace\\$1" 3 </dev/null 2>/dev/null; }
run none.txt >/dev/null  # warms the file cache and the server
t0=$(now)
none=$(run none.txt)
t1=$(now)
replaced=$(run replace.txt)
t2=$(now)

ok=no
cmp -s "$bench/text.txt" "$bench/expected.txt" && ok=yes
python3 - "$t0" "$t1" "$t2" "$(cat "$bench/count")" "$megabytes" "$ok" "$none" "$replaced" <<'EOF'
import sys
t0, t1, t2 = map(float, sys.argv[1:4])
count, mb, ok, none, replaced = int(sys.argv[4]), sys.argv[5], sys.argv[6], sys.argv[7], sys.argv[8]
start, total = t1 - t0, t2 - t1
print("Replace Text in File, %s MB, %d matches: %.2fs (driver run %.2fs, of it start and read %.2fs)"
      % (mb, count, max(total - start, 0), total, start))
print("result as expected: %s; results: no match %s, matches %s"
      % (ok, "False" if "Result=FALSE" in none else "?", "True" if "Result=TRUE" in replaced else "?"))
EOF
rm -rf "$bench"
