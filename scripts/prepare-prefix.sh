#!/usr/bin/env bash
# Creates the Wine prefix named by KLP_WINEPREFIX once, with the settings the
# tests rely on:
# - no window manager wait when a window hides (X11 Managed = N);
# - COM1..9 and LPT1..9 point at /dev/null, so a device-named file can never
#   reach a host port;
# - the user's Desktop, Documents etc. are real folders inside the prefix, not
#   links into $HOME;
# - a crashing program ends at once instead of waiting for Wine's debugger;
# - the 32-bit registry view has "ProgramFilesDir", as on every 64-bit Windows:
#   a prefix made by the 64-bit loader alone (on a host without 32-bit
#   support) lacks what the 32-bit half of its set-up would have written.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
stamp="$WINEPREFIX/.klp-ready"
[ -f "$stamp" ] && exit 0
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$stamp" ] && exit 0
echo "== creating Wine prefix $WINEPREFIX"
# wineboot through our `wine`, so that it runs on the chosen loader.
wine wineboot.exe -i </dev/null >/dev/null 2>&1 || true
wineserver -w
reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
for i in 1 2 3 4 5 6 7 8 9; do
    reg 'HKLM\Software\Wine\Ports' /v "COM$i" /t REG_SZ /d /dev/null
    reg 'HKLM\Software\Wine\Ports' /v "LPT$i" /t REG_SZ /d /dev/null
done
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d ''
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1
cv='HKLM\Software\Microsoft\Windows\CurrentVersion'
if ! wine reg query "$cv" /v ProgramFilesDir /reg:32 </dev/null >/dev/null 2>&1; then
    reg "$cv" /v ProgramFilesDir /t REG_SZ /d 'C:\Program Files (x86)' /reg:32
fi
users="$WINEPREFIX/drive_c/users"
for u in "$users"/*; do
    [ -d "$u" ] || continue
    for link in "$u"/*; do
        if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
done
wineserver -w
touch "$stamp"
