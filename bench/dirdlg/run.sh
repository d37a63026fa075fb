#!/usr/bin/env bash
# Directory and file list against the bare enumeration and a plain list box,
# under Wine on a virtual display in the build's bench prefix.
# Usage: bench/dirdlg/run.sh [rounds]
# KLP_ARCH chooses the build (x86, the release, by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export KLP_ARCH="${KLP_ARCH:-x86}"
rounds="${1:-5}"
KLP_BUILD_DIR="${KLP_BUILD_DIR:-$root/build}" KLP_ARCHS="$KLP_ARCH" "$root/scripts/build.sh"
build="${KLP_BUILD_DIR:-$root/build}/$KLP_ARCH"
export KLP_WINEPREFIX="$build/bench-prefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
# The entries are made from Linux: Wine takes minutes for 50,000 directories
# (each creation slows down with the size of the folder). The names are those
# the program would make itself.
work="$KLP_WINEPREFIX/drive_c/users/$(whoami)/Temp/klp-dirdlg-bench"
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
for name, count, kinds in (("dirs10k", 10000, "d"), ("dirs50k", 50000, "d"), ("files10k", 10000, "f"),
                          ("both10k", 10000, "df")):
    folder = os.path.join(work, name)
    if os.path.exists(folder + ".done"):
        continue
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        entry = os.path.join(folder, "%s%07d entry" % ("aBcD"[i % 4], (i * 7919) % 1000003))
        if "d" in kinds:
            os.makedirs(entry, exist_ok=True)
        if "f" in kinds:
            open(entry + ".txt", "w").close()
    open(folder + ".done", "w").close()
PY
source "$root/scripts/virtual-display.sh"
start_virtual_display "$build/bench-x"
wineserver -p >/dev/null 2>&1 || true
wine "$(winpath "$build/bench/dirdlg/dirdlg_bench.exe")" "$rounds" </dev/null 2>/dev/null
