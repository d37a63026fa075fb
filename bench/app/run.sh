#!/usr/bin/env bash
# The cost of the window's side of an installation run (bench/app/ProgressBench.cpp)
# on sets a and b of the extraction benchmark, which bench/cab/run.py makes in
# its work folder when they are missing, under Wine on a virtual display in the
# build's bench prefix.
# Usage: bench/app/run.sh [rounds]        (default 5)
# KLP_ARCH chooses the build (x86, the release, by default); KLP_CAB_BENCH_WORK
# the work folder (default /tmp/klp-cab-bench, as bench/cab/run.py).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export KLP_ARCH="${KLP_ARCH:-x86}"
rounds="${1:-5}"
work="${KLP_CAB_BENCH_WORK:-/tmp/klp-cab-bench}"
KLP_BUILD_DIR="${KLP_BUILD_DIR:-$root/build}" KLP_ARCHS="$KLP_ARCH" "$root/scripts/build.sh"
build="${KLP_BUILD_DIR:-$root/build}/$KLP_ARCH"
mkdir -p "$work"
python3 - "$root/bench/cab" "$work" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import run
run.make_large(sys.argv[2])
run.make_many(sys.argv[2])
PY
export KLP_WINEPREFIX="$build/bench-prefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/virtual-display.sh"
start_virtual_display "$build/bench-x"
wineserver -p >/dev/null 2>&1 || true
out="$work/progress-out"
for set in large many; do
    echo "== set $set ($set.cab)"
    rm -rf "$out"
    mkdir -p "$out"
    wine "$(winpath "$build/bench/app/progress_bench.exe")" "$(winpath "$work/$set.cab")" "$(winpath "$out")" \
        "$rounds" </dev/null 2>/dev/null
done
rm -rf "$out"
