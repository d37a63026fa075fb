# Sourced: the environment under which every Wine process of the project runs.
# KLP_WINEPREFIX names the prefix; HOME points into it so that nothing of the
# real user's home is touched.
: "${KLP_WINEPREFIX:?KLP_WINEPREFIX must name the Wine prefix}"
export WINEPREFIX="$KLP_WINEPREFIX"
export HOME="$KLP_WINEPREFIX-home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINEARCH=win64
mkdir -p "$HOME"

# A Linux path as Windows programs see it, on Wine's Z: drive.
winpath() { echo "Z:${1//\//\\}"; }
