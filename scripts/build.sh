#!/usr/bin/env bash
# Configures and builds into build/ (or $KLP_BUILD_DIR). Quiet unless the build
# fails, when it prints the build's output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
mkdir -p "$build"
log="$build/build.log"
echo "== building in $build"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >"$log" 2>&1 || { cat "$log"; exit 1; }
fi
cmake --build "$build" >"$log" 2>&1 || { grep -v '^\[[0-9]*/[0-9]*\]' "$log"; exit 1; }
