#!/usr/bin/env bash
# Configures and builds each architecture into build/<arch> (or
# $KLP_BUILD_DIR/<arch>): x86, the release, and x64, which runs the tests on
# hosts without 32-bit support. KLP_ARCHS chooses (default "x86 x64"). Quiet
# unless a build fails, when it prints that build's output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
for arch in ${KLP_ARCHS:-x86 x64}; do
    dir="$build/$arch"
    mkdir -p "$dir"
    log="$dir/build.log"
    echo "== building $arch in $dir"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >"$log" 2>&1 || { cat "$log"; exit 1; }
    fi
    cmake --build "$dir" >"$log" 2>&1 || { grep -v '^\[[0-9]*/[0-9]*\]' "$log"; exit 1; }
done
