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
root=$(cd "$(dirname "$0")/.." && pwd)
export KLP_ARCH="${KLP_ARCH:-x86}"
rounds="${1:-20}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="${KLP_BUILD_DIR:-$root/build}" KLP_ARCHS="$KLP_ARCH" "$root/scripts/build.sh"
build="${KLP_BUILD_DIR:-$root/build}/$KLP_ARCH"

# The installer runs from a kit folder with an archive beside it, so that its
# start-up includes the archive search as a user's would.
kit="$build/bench-kit"
mkdir -p "$kit"
cp "$build/app/KLPInst.exe" "$kit/"
cp "$build/kit/Kelpa.cab" "$kit/"

if [ -n "${KLP_BENCH_BASELINE:-}" ]; then
    baseline="$build/bench-kit-baseline"
    mkdir -p "$baseline"
    cp "$KLP_BENCH_BASELINE" "$baseline/KLPInst.exe"
    cp "$build/kit/Kelpa.cab" "$baseline/"
fi

export KLP_WINEPREFIX="$build/bench-prefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
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

programs=("$(winpath "$kit/KLPInst.exe")" "Kelpa editor installer")
[ -n "${baseline:-}" ] && programs+=("$(winpath "$baseline/KLPInst.exe")" "Kelpa editor installer")
programs+=("$(winpath "$build/bench/EmptyWindow.exe")" "Empty window")
run() {
    "${realtime[@]}" wine "$(winpath "$build/bench/StartupBench.exe")" "$1" "${programs[@]}" </dev/null 2>/dev/null
}
echo "== warming up"
run 2 >/dev/null
echo "== $rounds rounds"
run "$rounds"
