#!/usr/bin/env bash
# Counts the wineserver requests of KLPInst.exe and of the empty window from
# process start until each shows its window (bench/requests.py): one run of
# each under a wineserver that logs every request. Deterministic, unlike the
# times of bench/startup.sh. Usage: bench/requests.sh [--top N]
# KLP_ARCH chooses the build (x86, the release, by default);
# KLP_BENCH_BASELINE=<KLPInst.exe of another build> counts that one too.
set -euo pipefail
source "$(dirname "$0")/startup-kits.sh"
programs=("bench-kit\\KLPInst.exe")
[ -n "${KLP_BENCH_BASELINE:-}" ] && programs+=("bench-kit-baseline\\KLPInst.exe")
programs+=("EmptyWindow.exe")
source "$root/scripts/virtual-display.sh"
start_virtual_display "$build/bench-x"

run() {
    wine "$(winpath "$build/bench/StartupBench.exe")" "$1" "${startup_programs[@]}" </dev/null >/dev/null 2>&1
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
