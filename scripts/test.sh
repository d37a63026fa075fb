#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on a virtual
# display with one wineserver kept alive for the run. Ends with a summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="$build" "$root/scripts/build.sh"

export KLP_WINEPREFIX="$build/wineprefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"

source "$root/scripts/virtual-display.sh"
start_virtual_display "$build"
wineserver -p >/dev/null 2>&1 || true

rm -rf "$build/test-results"
mkdir -p "$build/test-results"
echo "== running tests"
set +e
ctest --test-dir "$build" --output-on-failure "$@"
status=$?
set -e
mapfile -t ran < <(ctest --test-dir "$build" -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p')
python3 "$root/scripts/test-summary.py" "$build/test-results" "${ran[@]}"
exit $status
