#!/usr/bin/env bash
# Installs what is missing, builds both architectures, checks the executables
# (and that the x86 release is reproducible), and runs every test under Wine
# on a virtual display, once per architecture the host can execute (x86 and
# x64; x64 alone on a host that cannot run 32-bit programs). Prints each
# architecture's results; the last line sums up everything that ran. Arguments
# go to ctest (e.g. -R cab_).
# KLP_ARCHS limits the architectures built and tested (default "x86 x64").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
archs="${KLP_ARCHS:-x86 x64}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="$build" KLP_ARCHS="$archs" "$root/scripts/build.sh"
source "$root/scripts/arch.sh"

status=0
for arch in $archs; do
    "$root/scripts/check-exe.py" "$arch" "$build/$arch/app/KLPInst.exe" || status=1
done
# The release must come out the same from another folder: KLPInst.exe alone is
# built a second time there (incrementally on later runs) and compared.
case " $archs " in
    *" x86 "*) "$root/scripts/check-reproducible.sh" x86 "$build/x86/app/KLPInst.exe" || status=1 ;;
esac

runnable=()
for arch in $archs; do
    if klp_arch_runs "$arch"; then
        runnable+=("$arch")
    elif [ "$arch" = x86 ]; then
        echo "== this host cannot run 32-bit programs ($(klp_arch_failure x86)): the x86 build was built and checked but not run"
    else
        echo "== this host cannot run $arch programs: $(klp_arch_failure "$arch")"
    fi
done
if [ ${#runnable[@]} -eq 0 ]; then
    echo "no architecture can run on this host: no test ran" >&2
    exit 1
fi

source "$root/scripts/virtual-display.sh"
start_virtual_display "$build"

summaries=()
for arch in "${runnable[@]}"; do
    dir="$build/$arch"
    (
        export KLP_ARCH="$arch" KLP_WINEPREFIX="$dir/wineprefix"
        "$root/scripts/prepare-prefix.sh"
        source "$root/scripts/wine-env.sh"
        wineserver -k >/dev/null 2>&1 || true
        wineserver -p >/dev/null 2>&1 || true
        rm -rf "$dir/test-results" "$dir/Testing/Temporary/LastTestsFailed.log"
        mkdir -p "$dir/test-results"
        echo "== running the $arch tests"
        set +e
        ctest --test-dir "$dir" --output-on-failure "$@"
        rc=$?
        wineserver -k >/dev/null 2>&1
        exit $rc
    ) || status=1
    summaries+=("$arch=$dir")
done
python3 "$root/scripts/test-summary.py" --self-check || status=1
python3 "$root/scripts/test-summary.py" "${summaries[@]}" -- "$@" || status=1
exit $status
