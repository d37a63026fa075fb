# Sourced by the start-up benchmarks: builds KLP_ARCH (x86, the release, by
# default), puts the installer into a kit folder with an archive beside it, so
# that its start-up includes the archive search as a user's would, and does
# the same for KLP_BENCH_BASELINE (the KLPInst.exe of another build) when
# given. Sets root, build, and startup_programs: the arguments of
# StartupBench.exe after the rounds (each program with its caption), the
# empty window last.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KLP_ARCH="${KLP_ARCH:-x86}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="${KLP_BUILD_DIR:-$root/build}" KLP_ARCHS="$KLP_ARCH" "$root/scripts/build.sh"
build="${KLP_BUILD_DIR:-$root/build}/$KLP_ARCH"

_klp_make_kit() { # exe folder
    mkdir -p "$2"
    cp "$1" "$2/KLPInst.exe"
    cp "$build/kit/Kelpa.cab" "$2/"
}
_klp_make_kit "$build/app/KLPInst.exe" "$build/bench-kit"
[ -n "${KLP_BENCH_BASELINE:-}" ] && _klp_make_kit "$KLP_BENCH_BASELINE" "$build/bench-kit-baseline"

export KLP_WINEPREFIX="$build/bench-prefix"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"

startup_programs=("$(winpath "$build/bench-kit/KLPInst.exe")" "Kelpa editor installer")
[ -n "${KLP_BENCH_BASELINE:-}" ] &&
    startup_programs+=("$(winpath "$build/bench-kit-baseline/KLPInst.exe")" "Kelpa editor installer")
startup_programs+=("$(winpath "$build/bench/EmptyWindow.exe")" "Empty window")
