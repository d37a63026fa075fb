# Sourced: the environment under which every Wine process of the project runs.
# KLP_WINEPREFIX names the prefix; HOME points into it so that nothing of the
# real user's home is touched. KLP_ARCH (x86, the default, or x64) chooses
# Wine's loader explicitly: Debian's `wine` wrapper takes the 32-bit loader
# whenever it is installed, even on hosts that cannot execute it, so a `wine`
# of our own that runs $WINELOADER goes first on PATH.
: "${KLP_WINEPREFIX:?KLP_WINEPREFIX must name the Wine prefix}"
source "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
export KLP_ARCH="${KLP_ARCH:-x86}"
export WINELOADER
WINELOADER=$(klp_loader "$KLP_ARCH")
case ":$PATH:" in
    *":$KLP_SCRIPTS/loader:"*) ;;
    *) export PATH="$KLP_SCRIPTS/loader:$PATH" ;;
esac
export WINEPREFIX="$KLP_WINEPREFIX"
export HOME="$KLP_WINEPREFIX-home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINEARCH=win64
mkdir -p "$HOME"

# A Linux path as Windows programs see it, on Wine's Z: drive.
winpath() { echo "Z:${1//\//\\}"; }
