#!/usr/bin/env bash
# Installs what is missing, builds, packs the demo kit (build/kit: KLPInst.exe
# beside Kelpa.cab) and starts the installer from there under Wine.
# With a display ($DISPLAY) the installer opens there. Without one it runs on
# a virtual display inside a Wine virtual desktop (which draws window frames),
# a picture of its window is saved as PNG, the window is closed, and the
# script says where the picture is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="$build" "$root/scripts/build.sh"
kit="$build/kit"
[ -f "$kit/Kelpa.cab" ] && [ -f "$kit/KLPInst.exe" ] || { echo "the demo kit was not built" >&2; exit 1; }

# A prefix of its own, so that the demo never touches the tests' prefix or
# the user's; windows are left to the window manager here.
export KLP_WINEPREFIX="$build/demo-prefix"
source "$root/scripts/wine-env.sh"
log="$build/demo.log"
: >"$log"
if [ ! -f "$WINEPREFIX/.klp-ready" ]; then
    echo "== creating Wine prefix $WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wineboot -i </dev/null >>"$log" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.klp-ready"
fi
winpath() { echo "Z:${1//\//\\}"; }

if [ -n "${DISPLAY:-}" ]; then
    echo "== starting the installer from $kit on $DISPLAY"
    (cd "$kit" && wine KLPInst.exe </dev/null >>"$log" 2>&1)
    wineserver -w
    exit 0
fi

state="$build/demo-x"
mkdir -p "$state"
export DISPLAY=$("$root/scripts/xvfb-start.sh" "$state")
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    "$root/scripts/xvfb-stop.sh" "$state"
}
trap cleanup EXIT
echo "== starting the installer from $kit on a virtual display"
shot="$build/demo/screenshot"
rm -f "$shot.bmp" "$shot.png"
status=0
(cd "$kit" && wine explorer /desktop=KelpaDemo,800x600 "$(winpath "$build/demo/WindowShot.exe")" \
    "$(winpath "$kit/KLPInst.exe")" "Kelpa editor installer" "$(winpath "$shot.bmp")" \
    </dev/null >>"$log" 2>&1) || status=$?
wineserver -w
if [ ! -f "$shot.bmp" ]; then
    echo "no picture of the installer's window was taken (exit $status); see $log" >&2
    exit 1
fi
convert "$shot.bmp" "$shot.png"
rm -f "$shot.bmp"
echo "== the installer's window was closed; its picture is $shot.png"
