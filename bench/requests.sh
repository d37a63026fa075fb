#!/usr/bin/env bash
# Counts the wineserver requests of KLPInst.exe and of the empty window from
# process start until each shows its window (bench/requests.py): one run of
# each under a wineserver that logs every request. Deterministic, unlike the
# times of bench/startup.sh. Usage: bench/requests.sh [--top N]
# KLP_ARCH chooses the build (x86, the release, by default);
# KLP_BENCH_BASELINE=<KLPInst.exe of another build> counts that one too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export KLP_ARCH="${KLP_ARCH:-x86}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="${KLP_BUILD_DIR:-$root/build}" KLP_ARCHS="$KLP_ARCH" "$root/scripts/build.sh"
build="${KLP_BUILD_DIR:-$root/build}/$KLP_ARCH"

kit="$build/bench-kit"
mkdir -p "$kit"
cp "$build/app/KLPInst.exe" "$kit/"
cp "$build/kit/Kelpa.cab" "$kit/"

programs=("bench-kit\\KLPInst.exe")
if [ -n "${KLP_BENCH_BASELINE:-}" ]; then
    mkdir -p "$build/bench-kit-baseline"
    cp "$KLP_BENCH_BASELINE" "$build/bench-kit-baseline/KLPInst.exe"
    cp "$build/kit/Kelpa.cab" "$build/bench-kit-baseline/"
    programs+=("bench-kit-baseline\\KLPInst.exe")
fi
programs+=("EmptyWindow.exe")

export KLP_WINEPREFIX="$build/bench-prefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/virtual-display.sh"
start_virtual_display "$build/bench-x"

arguments=("$(winpath "$kit/KLPInst.exe")" "Kelpa editor installer")
[ -n "${KLP_BENCH_BASELINE:-}" ] &&
    arguments+=("$(winpath "$build/bench-kit-baseline/KLPInst.exe")" "Kelpa editor installer")
arguments+=("$(winpath "$build/bench/EmptyWindow.exe")" "Empty window")
run() {
    wine "$(winpath "$build/bench/StartupBench.exe")" "$1" "${arguments[@]}" </dev/null >/dev/null 2>&1
}
# A warm round first, so that the counted one finds the prefix as later
# rounds do; then one round under a logging wineserver.
wineserver -k >/dev/null 2>&1 || true
run 1
wineserver -k >/dev/null 2>&1 || true
log="$build/bench-requests.log"
wineserver -f -d1 2>"$log" &
server=$!
sleep 0.5
run 1
wineserver -k >/dev/null 2>&1 || true
wait "$server" 2>/dev/null || true
for program in "${programs[@]}"; do
    python3 "$root/bench/requests.py" "$log" "$program" "$@"
done
