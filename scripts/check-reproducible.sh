#!/usr/bin/env bash
# Checks that the release executable is reproducible: the sources are copied
# into another folder (a long path with spaces), KLPInst.exe alone is built
# there (without tests, demo and benchmarks), and the result must equal the
# given executable byte for byte. The folders of sources and build differ,
# and so do the times of the two builds. The second tree is kept, so that
# later runs rebuild only what changed.
#   usage: check-reproducible.sh ARCH EXE [WORK_DIR]
# WORK_DIR defaults to a folder beside EXE's build tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch="$1"
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work="${3:-$(dirname "$(dirname "$(dirname "$exe")")")/$arch again/a second checkout in a long folder name with spaces}"
source_copy="$work/source tree"
build="$work/build tree"

# The files of the checkout (tracked and new, not ignored ones such as build
# trees); their times are kept, so that the build there stays incremental.
rm -rf "$source_copy"
mkdir -p "$source_copy" "$build"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
        tar --null -T - -cf -) | tar -C "$source_copy" -xf -
else
    tar -C "$root" --exclude=./build --exclude='./build*' -cf - . | tar -C "$source_copy" -xf -
fi

log="$build/build.log"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$source_copy" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source_copy/cmake/mingw-$arch.cmake" \
        -DKLP_BUILD_TESTS=OFF -DKLP_BUILD_DEMO=OFF -DKLP_BUILD_BENCH=OFF >"$log" 2>&1 || { cat "$log"; exit 1; }
fi
cmake --build "$build" --target KLPInst >"$log" 2>&1 || { grep -v '^\[[0-9]*/[0-9]*\]' "$log"; exit 1; }

again="$build/app/KLPInst.exe"
if ! cmp -s "$exe" "$again"; then
    echo "$exe and a second build in \"$build\" differ:"
    cmp -l "$exe" "$again" | head -20
    echo "($(cmp -l "$exe" "$again" | wc -l) bytes differ; sizes $(stat -c %s "$exe") and $(stat -c %s "$again"))"
    exit 1
fi
echo "== $arch executable is reproducible: a second build in another folder is identical" \
    "($(stat -c %s "$exe") bytes, SHA-256 $(sha256sum "$exe" | cut -c1-16)...)"
