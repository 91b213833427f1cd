#!/usr/bin/env bash
# Benchmark of a silent install and its uninstall: makes a package of 2,000 files (about
# 150 MB, half of them packed as ._z), installs it with Setup.exe under Wine and copies the
# same files plainly under Wine; then uninstalls it with its UnInstall.exe, answered as a
# person would by the test tool, and deletes the plain copy with a recursive delete. Prints
# the times and ratios as a table (targets: install at most 2.5 times the copy, uninstall
# at most 2 times the delete).
#   tools/bench-install.sh [files] [megabytes]
set -u
source "$(dirname "$0")/common.sh"

files=${1:-2000}
megabytes=${2:-150}
kv_bench_start || exit 1

bench="$win_build/bench"
rm -rf "$bench" "$win_build/wineprefix/drive_c/KvBench"
mkdir -p "$bench/pkg" "$bench/plain"
echo "making $files files, $megabytes MB ..."
python3 - "$bench" "$files" "$megabytes" <<'EOF'
import os, random, sys, zlib
bench, files, mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
size = mb * 1024 * 1024 // files
rnd = random.Random(7)
words = [bytes(rnd.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9))) for _ in range(4000)]
names = []
for i in range(files):
    name = "file%05d.dat" % i
    parts, n = [], 0
    while n < size:
        w = rnd.choice(words) + b" "
        parts.append(w)
        n += len(w)
    data = b"".join(parts)[:size]
    with open(os.path.join(bench, "plain", name), "wb") as f:
        f.write(data)
    target = os.path.join(bench, "pkg", name)
    if i % 2:
        with open(target + "._z", "wb") as f:
            f.write(zlib.compress(data))
    else:
        with open(target, "wb") as f:
            f.write(data)
    names.append(name)
lines = [
    "SET_PROG_NAME(Kelvane Bench);",
    "SET_PROG_VERSION(1.0);",
    "SET_TARGET_DIR(C:\\KvBench\\target);",
    "SET_CREATE_UNINSTALL;",
    "SET_CREATE_SETUP_LOG;",
    "SET_SILENT_SETUP;",
    "SET_DIALOGS(CopyFilesDlg);",
    "SET_GROUP_DATA(|Payload|x|%d|%d||||1|);" % (mb * 1024, files),
    "SET_SUB_DIR(<InstallDir>);",
]
for i in range(0, files, 100):
    lines.append("SET_COPY_FILES(%s);" % "|".join(names[i:i + 100]))
with open(os.path.join(bench, "pkg", "Setup.txt"), "w", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
EOF
cp "$win_build/bin/Setup.exe" "$win_build/bin/UnInstall.exe" "$bench/pkg/"

now() { date +%s.%N; }
echo "installing silently ..."
t0=$(now)
(cd "$bench/pkg" && "$win_build/wine-run.sh" "$bench/pkg/Setup.exe" </dev/null >/dev/null 2>&1)
t1=$(now)
echo "copying plainly ..."
"$win_build/wine-run.sh" cmd.exe /c xcopy 'D:\bench\plain' 'C:\KvBench\plain\' /E /I /Y /Q </dev/null >/dev/null 2>&1
t2=$(now)

installed=$(find "$win_build/wineprefix/drive_c/KvBench/target" -name 'file*.dat' 2>/dev/null | wc -l)
copied=$(find "$win_build/wineprefix/drive_c/KvBench/plain" -name 'file*.dat' 2>/dev/null | wc -l)

# The uninstaller pauses on purpose: 1 s before its run, 0.5 s before each of five steps and
# 0.5 s before its last execute stage.
echo "uninstalling ..."
uninstall_ms=$("$win_build/wine-run.sh" "$win_build/bin/wtool.exe" uninstall 'C:\KvBench\target\UnInstall.exe' </dev/null 2>/dev/null | tr -dc 0-9)
echo "deleting plainly ..."
t3=$(now)
"$win_build/wine-run.sh" cmd.exe /c rd /s /q 'C:\KvBench\plain' </dev/null >/dev/null 2>&1
t4=$(now)
left=$(find "$win_build/wineprefix/drive_c/KvBench/target" -name 'file*.dat' 2>/dev/null | wc -l)
deleted=$((copied - $(find "$win_build/wineprefix/drive_c/KvBench/plain" -name 'file*.dat' 2>/dev/null | wc -l)))

python3 - "$t0" "$t1" "$t2" "$t3" "$t4" "$installed" "$copied" "$files" "${uninstall_ms:-0}" "$left" "$deleted" <<'EOF'
import sys
t0, t1, t2, t3, t4 = map(float, sys.argv[1:6])
installed, copied, files, uninstall_ms, left, deleted = map(int, sys.argv[6:12])
setup, copy, delete = t1 - t0, t2 - t1, t4 - t3
uninstall = uninstall_ms / 1000.0
pauses = 4.0
ratio = lambda a, b: "%.2f" % (a / b) if b > 0 else "-"
print("files installed: %d of %d, copied plainly: %d; left after uninstall: %d, deleted plainly: %d"
      % (installed, files, copied, left, deleted))
print()
print("%-34s %9s %9s %7s %8s" % ("", "engine", "plain", "ratio", "target"))
print("%-34s %8.2fs %8.2fs %7s %8s" % ("silent install / plain copy", setup, copy, ratio(setup, copy), "<= 2.5"))
print("%-34s %8.2fs %8.2fs %7s %8s" % ("uninstall / recursive delete", uninstall, delete, ratio(uninstall, delete), "<= 2.0"))
print("%-34s %8.2fs %8.2fs %7s %8s" % ("  less its 4 s of set pauses", max(uninstall - pauses, 0), delete,
                                        ratio(max(uninstall - pauses, 0), delete), ""))
EOF
rm -rf "$bench" "$win_build/wineprefix/drive_c/KvBench"
