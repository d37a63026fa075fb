#!/usr/bin/env bash
# Installs what is missing, builds both architectures, packs their demo kits
# (build/<arch>/kit: KLPInst.exe beside Kelpa.cab) and starts the installer
# from the x86 kit under Wine; on a host that cannot run 32-bit programs, from
# the x64 kit instead.
# With a display ($DISPLAY) the installer opens there. Without one an
# unattended installation runs on a virtual display inside a Wine virtual
# desktop (which draws window frames): a driver fills in the window (scratch
# destination C:\KelpaDemo, both shortcuts), saves a picture of it and of the
# directory chooser behind the browse button as PNG,
# clicks Install and answers the success box; the script prints what was
# installed and where the picture is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KLP_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh"
KLP_BUILD_DIR="$build" "$root/scripts/build.sh"
"$root/scripts/check-exe.py" x86 "$build/x86/app/KLPInst.exe"
source "$root/scripts/arch.sh"
if klp_arch_runs x86; then
    arch=x86
elif klp_arch_runs x64; then
    arch=x64
    echo "== this host cannot run 32-bit programs ($(klp_arch_failure x86)): showing the x64 build instead"
else
    echo "this host can run neither build under Wine: $(klp_arch_failure x86); $(klp_arch_failure x64)" >&2
    exit 1
fi
build="$build/$arch"
kit="$build/kit"
[ -f "$kit/Kelpa.cab" ] && [ -f "$kit/KLPInst.exe" ] || { echo "the demo kit was not built" >&2; exit 1; }

# A prefix of its own, so that the demo never touches the tests' prefix or
# the user's; windows are left to the window manager here.
export KLP_ARCH="$arch" KLP_WINEPREFIX="$build/demo-prefix"
source "$root/scripts/wine-env.sh"
log="$build/demo.log"
: >"$log"
if [ ! -f "$WINEPREFIX/.klp-ready" ]; then
    echo "== creating Wine prefix $WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wine wineboot.exe -i </dev/null >>"$log" 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.klp-ready"
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "== starting the installer from $kit on $DISPLAY"
    (cd "$kit" && wine KLPInst.exe </dev/null >>"$log" 2>&1)
    wineserver -w
    exit 0
fi

state="$build/demo-x"
source "$root/scripts/virtual-display.sh"
start_virtual_display "$state"
echo "== installing the demo kit unattended on a virtual display"
shot="$build/demo/screenshot"
chooser="$build/demo/chooser"
report="$build/demo/install-report.txt"
rm -f "$shot.bmp" "$shot.png" "$chooser.bmp" "$chooser.png" "$report"
status=0
(cd "$kit" && wine explorer /desktop=KelpaDemo,800x600 "$(winpath "$build/demo/DemoInstall.exe")" \
    "$(winpath "$kit/KLPInst.exe")" 'C:\KelpaDemo' "$(winpath "$shot.bmp")" "$(winpath "$report")" \
    </dev/null >>"$log" 2>&1) || status=$?
wineserver -w
[ -f "$report" ] && sed 's/^/   /' "$report"
if [ ! -f "$shot.bmp" ] || [ ! -f "$report" ] || grep -q '^The demo installation failed' "$report" 2>/dev/null; then
    echo "the demo installation did not succeed (exit $status); see $log" >&2
    exit 1
fi
convert "$shot.bmp" "$shot.png"
rm -f "$shot.bmp"
echo "== the filled-in window before Install: $shot.png"
if [ -f "$chooser.bmp" ]; then
    convert "$chooser.bmp" "$chooser.png"
    rm -f "$chooser.bmp"
    echo "== the directory chooser behind the browse button: $chooser.png"
fi
