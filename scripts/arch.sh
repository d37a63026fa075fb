# Sourced: which Windows architectures this host can run under Wine.
# x86 runs on Wine's 32-bit loader, x64 on its 64-bit loader. KLP_WINE_X86 and
# KLP_WINE_X64 name other loaders (a developer can point KLP_WINE_X86 at a
# program that fails to see what a host without 32-bit support does).
KLP_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

klp_loader() {
    case "$1" in
        x86) echo "${KLP_WINE_X86:-/usr/lib/wine/wine}" ;;
        x64) echo "${KLP_WINE_X64:-/usr/lib/wine/wine64}" ;;
        *) echo "unknown architecture: $1" >&2; return 1 ;;
    esac
}

# True when the host runs the architecture's loader: a real attempt, since
# some x86-64 kernels refuse every 32-bit program ("Exec format error").
klp_arch_runs() {
    local loader
    loader=$(klp_loader "$1") || return 1
    "$loader" --version >/dev/null 2>&1 </dev/null
}

# Why the architecture's loader does not run here, in a few words.
klp_arch_failure() {
    local loader out status=0
    loader=$(klp_loader "$1") || return 0
    if [ ! -e "$loader" ]; then echo "$loader is not installed"; return 0; fi
    out=$("$loader" --version 2>&1 </dev/null) || status=$?
    case "$status" in
        126) echo "$loader cannot be executed here (exit 126: the kernel refuses the format)" ;;
        *) echo "$loader --version failed with exit $status${out:+: ${out%%$'\n'*}}" ;;
    esac
}
