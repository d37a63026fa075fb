#!/usr/bin/env bash
# Configures and builds into build/ (or $KLP_BUILD_DIR). Prints only errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
fi
echo "== building in $build"
cmake --build "$build" -- --quiet 2>&1 | grep -v '^\[' || true
cmake --build "$build" >/dev/null 2>&1 || { cmake --build "$build"; exit 1; }
