#!/usr/bin/env bash
# Benchmark of a silent install (SET_USE_COPY) and its uninstall. The payload: 2,000 files in
# 20 folders, about 150 MB, every second file packed as ._z in the setup package. In one run,
# round by round with the order of the commands alternating, the disk synced before each and
# each command removing its previous target first, it times:
#   - our silent install of the package;
#   - the host's own `cp -r` of the same plain files (the floor);
#   - an NSIS installer of the same files (makensis from Debian's nsis package, solid zlib,
#     run with /S in the same Wine prefix);
#   - an empty package and a package of 2,000 one-byte files (fixed and per-file cost);
# and takes the median of the rounds, the peak memory of our install (the Wine process's
# high-water mark) and, once, our uninstall against a recursive delete. Prints which build it
# timed and one table with the times, the ratios and the targets.
#   tools/bench-install.sh [files] [megabytes] [rounds]
set -u
source "$(dirname "$0")/common.sh"

files=${1:-2000}
megabytes=${2:-150}
rounds=${3:-3}
kv_bootstrap --nsis || exit 1
# The programs as delivered: the release build.
kv_build_run wtool || { echo "cross build failed"; exit 1; }
kv_bench_start "$run_build" || exit 1
command -v makensis >/dev/null || { echo "makensis is missing (Debian package nsis)"; exit 1; }

bench="$run_build/bench"
drive_c="$run_build/wineprefix/drive_c"
rm -rf "$bench" "$drive_c/KvBench"
mkdir -p "$bench"
timed="timed: $(kv_describe "$run_build" Setup.exe UnInstall.exe)"
echo "$timed"
echo "making $files files, $megabytes MB ..."
# Packages: full (the payload), empty (no files), small (one-byte files). plain: the payload's
# files as they are installed, for cp -r and NSIS.
python3 - "$bench" "$files" "$megabytes" <<'EOF'
import os, random, sys, zlib
bench, files, mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
size = mb * 1024 * 1024 // max(files, 1)
folders = 20
rnd = random.Random(7)
words = [bytes(rnd.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9))) for _ in range(4000)]
text = b"".join(rnd.choice(words) + b" " for _ in range(size // 3 + 4096))

def script(name, groups, count):
    lines = [
        "SET_PROG_NAME(Kelvane Bench);",
        "SET_PROG_VERSION(1.0);",
        "SET_TARGET_DIR(C:\\KvBench\\%s);" % name,
        "SET_CREATE_UNINSTALL;",
        "SET_CREATE_SETUP_LOG;",
        "SET_SILENT_SETUP;",
        "SET_USE_COPY;",
        "SET_DIALOGS(CopyFilesDlg);",
        "SET_GROUP_DATA(|Payload|x|%d|%d||||1|);" % (max(mb, 1) * 1024, count),
    ]
    for folder, names in groups:
        lines.append("SET_SUB_DIR(<InstallDir>%s);" % folder)
        lines.append("SET_COPY_FILES(%s);" % ("|".join(names) if names else "*"))
    with open(os.path.join(bench, name, "Setup.txt"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")

for name in ("full", "empty", "small", "plain"):
    os.makedirs(os.path.join(bench, name), exist_ok=True)
groups, small = [], []
for d in range(folders):
    folder = "dir%02d" % d
    os.makedirs(os.path.join(bench, "plain", folder), exist_ok=True)
    names = []
    for i in range(d, files, folders):
        name = "file%05d.dat" % i
        start = rnd.randrange(0, len(text) - size)
        data = text[start:start + size]
        with open(os.path.join(bench, "plain", folder, name), "wb") as f:
            f.write(data)
        if i % 2:
            with open(os.path.join(bench, "full", name + "._z"), "wb") as f:
                f.write(zlib.compress(data))
        else:
            with open(os.path.join(bench, "full", name), "wb") as f:
                f.write(data)
        with open(os.path.join(bench, "small", name), "wb") as f:
            f.write(b"x")
        names.append(name)
    groups.append(("\\" + folder, names))
script("full", groups, files)
script("small", groups, files)
script("empty", [("", [])], 0)
EOF
for p in full empty small; do cp "$run_build/bin/Setup.exe" "$run_build/bin/UnInstall.exe" "$bench/$p/"; done

# The NSIS peer: the same plain files, one File /r, solid zlib, silent.
nsis_target=x86-unicode
[ "$win_arch" = i686 ] || nsis_target=amd64-unicode
cat >"$bench/peer.nsi" <<EOF
Unicode true
Target $nsis_target
SetCompressor /SOLID zlib
Name "Kelvane Bench Peer"
OutFile "$bench/peer-setup.exe"
InstallDir "C:\\KvBench\\nsis"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$bench/plain/*"
SectionEnd
EOF
echo "building the NSIS installer ..."
makensis -V1 "$bench/peer.nsi" >/dev/null || { echo "makensis failed"; exit 1; }

now() { date +%s.%N; }
results="$bench/results.txt"
: >"$results"
# run NAME COMMAND...: syncs, times the command, appends "NAME seconds peak-kB" to the results.
run() {
  local name=$1 t0 t1
  shift
  sync
  t0=$(now)
  /usr/bin/time -f "%M" -o "$bench/peak" "$@" </dev/null >/dev/null 2>&1
  t1=$(now)
  echo "$name $(python3 -c "print($t1 - $t0)") $(tail -n1 "$bench/peak" | tr -dc 0-9)" >>"$results"
}
# Each command first removes what its previous run left (moved aside, into the same file
# system, and deleted at the end: files deleted just before a run slow down the file
# system's search for free inodes of the next one) and restores a consumed package (the
# install engine deletes the sources it has copied); that part is not timed.
aside() {
  local what
  mkdir -p "$bench/aside"
  for what in "$@"; do
    [ -e "$what" ] && mv "$what" "$(mktemp -d "$bench/aside/XXXXXX")/"
  done
  return 0
}
ours() {
  aside "$drive_c/KvBench/$1" "$bench/run-$1"
  cp -r "$bench/$1" "$bench/run-$1"
  (cd "$bench/run-$1" && run "$1" "$run_build/wine-run.sh" "$bench/run-$1/Setup.exe")
}
host_copy() {
  aside "$bench/copy"
  run copy cp -r "$bench/plain" "$bench/copy"
}
peer() {
  aside "$drive_c/KvBench/nsis"
  run nsis "$run_build/wine-run.sh" "$bench/peer-setup.exe" /S
}
steps=(ours_full host_copy peer ours_empty ours_small)
ours_full() { ours full; }
ours_empty() { ours empty; }
ours_small() { ours small; }
for round in $(seq 1 "$rounds"); do
  echo "round $round of $rounds ..."
  if [ $((round % 2)) = 1 ]; then order=("${steps[@]}"); else order=(); for ((i = ${#steps[@]} - 1; i >= 0; i--)); do order+=("${steps[$i]}"); done; fi
  for step in "${order[@]}"; do "$step"; done
done

installed=$(find "$drive_c/KvBench/full" -name 'file*.dat' 2>/dev/null | wc -l)
copied=$(find "$bench/copy" -name 'file*.dat' 2>/dev/null | wc -l)
peered=$(find "$drive_c/KvBench/nsis" -name 'file*.dat' 2>/dev/null | wc -l)
rm -rf "$drive_c/KvBench/nsis" "$bench/copy" "$bench/aside"

# Our uninstall of the last full install against a recursive delete of a plain copy of it.
# The uninstaller pauses on purpose: 1 s before its run, 0.5 s before each of five steps and
# 0.5 s before its last execute stage.
echo "uninstalling ..."
cp -r "$bench/plain" "$drive_c/KvBench/plain"
sync
uninstall_ms=$("$run_build/wine-run.sh" "$run_build/bin/wtool.exe" uninstall 'C:\KvBench\full\UnInstall.exe' </dev/null 2>/dev/null | tr -dc 0-9)
sync
t3=$(now)
"$run_build/wine-run.sh" cmd.exe /c rd /s /q 'C:\KvBench\plain' </dev/null >/dev/null 2>&1
t4=$(now)
left=$(find "$drive_c/KvBench/full" -name 'file*.dat' 2>/dev/null | wc -l)

echo "$timed"
python3 - "$results" "$files" "$installed" "$copied" "$peered" "${uninstall_ms:-0}" "$(python3 -c "print($t4 - $t3)")" "$left" "$bench/plain" <<'EOF'
import os, statistics, sys
results, files, installed, copied, peered = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
uninstall, delete, left, plain = int(sys.argv[6]) / 1000.0, float(sys.argv[7]), int(sys.argv[8]), sys.argv[9]
times, peaks = {}, {}
for line in open(results):
    name, seconds, peak = (line.split() + ["0"])[:3]
    times.setdefault(name, []).append(float(seconds))
    peaks.setdefault(name, []).append(int(peak or 0))
med = {k: statistics.median(v) for k, v in times.items()}
largest = max((os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(plain) for f in fs), default=0)
peak_mb = max(peaks.get("full", [0])) / 1024.0
limit_mb = 64 + largest / 1048576.0
ours, copy, nsis = med.get("full", 0), med.get("copy", 0), med.get("nsis", 0)
empty, small = med.get("empty", 0), med.get("small", 0)
per_file_ms = (small - empty) / files * 1000 if files else 0
ratio = lambda a, b: a / b if b > 0 else float("inf")
rounds = len(times.get("full", []))
print("files installed: %d of %d, copied by cp -r: %d, by NSIS: %d; left after uninstall: %d"
      % (installed, files, copied, peered, left))
print("medians of %d rounds (each: %s)" % (rounds, ", ".join("%s %s" % (k, " ".join("%.2f" % t for t in v))
                                                                for k, v in sorted(times.items()))))
print()
rows = [
    ("our silent install", "%.2f s" % ours, "", ""),
    ("host cp -r of the same files", "%.2f s" % copy, "", ""),
    ("NSIS silent install (solid zlib)", "%.2f s" % nsis, "", ""),
    ("ours / cp -r", "%.2f" % ratio(ours, copy), "<= 2.5", "met" if ratio(ours, copy) <= 2.5 else "MISSED"),
    ("NSIS / ours", "%.2f" % ratio(nsis, ours), ">= 1.5", "met" if ratio(nsis, ours) >= 1.5 else "MISSED"),
    ("empty package", "%.2f s" % empty, "<= 0.6 s", "met" if empty <= 0.6 else "MISSED"),
    ("each further one-byte file", "%.2f ms" % per_file_ms, "<= 0.5 ms", "met" if per_file_ms <= 0.5 else "MISSED"),
    ("peak memory of our install", "%.1f MB" % peak_mb, "<= %.1f MB" % limit_mb, "met" if peak_mb <= limit_mb else "MISSED"),
    ("uninstall (one run)", "%.2f s" % uninstall, "", ""),
    ("  less its 4 s of set pauses", "%.2f s" % max(uninstall - 4.0, 0), "", ""),
    ("recursive delete under Wine", "%.2f s" % delete, "", ""),
    ("uninstall / recursive delete", "%.2f" % ratio(uninstall, delete), "<= 2.0",
     "met" if ratio(uninstall, delete) <= 2.0 else "MISSED"),
]
print("%-34s %10s %12s %7s" % ("", "measured", "target", ""))
for r in rows:
    print("%-34s %10s %12s %7s" % r)
EOF
rm -rf "$bench" "$drive_c/KvBench"
