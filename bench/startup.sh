#!/usr/bin/env bash
# Start-up time (process creation to main window shown) and peak memory of
# KLPInst.exe against a minimal Win32 program with an empty window, both under
# Wine in the same run, taking turns. Usage: bench/startup.sh [rounds]
# KLP_ARCH chooses the build (x86, the release, by default).
# KLP_BENCH_BASELINE=<KLPInst.exe of another build> adds that installer to
# every round, from a kit of its own, so that before and after meet the same
# moments of the machine.
# KLP_BENCH_REALTIME=1 (as root) runs the display, the wineserver and the
# programs with real-time priority, so that builds on the same machine do not
# decide the figures: they come out slower than on an idle machine (the other
# core still runs the builds), but repeat within a few per cent.
set -euo pipefail
rounds="${1:-20}"
source "$(dirname "$0")/startup-kits.sh"
state="$build/bench-x"
source "$root/scripts/virtual-display.sh"
start_virtual_display "$state"
realtime=()
if [ "${KLP_BENCH_REALTIME:-0}" = 1 ]; then
    realtime=(chrt -f 10)
    chrt -f -p 10 "$(cat "$state/.xvfb")"
    wineserver -k >/dev/null 2>&1 || true
fi
"${realtime[@]}" wineserver -p >/dev/null 2>&1 || true

run() {
    "${realtime[@]}" wine "$(winpath "$build/bench/StartupBench.exe")" "$1" "${startup_programs[@]}" </dev/null 2>/dev/null
}
echo "== warming up"
run 2 >/dev/null
echo "== $rounds rounds"
run "$rounds"
