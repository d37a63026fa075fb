#!/usr/bin/env bash
# Creates the Wine prefix named by KLP_WINEPREFIX once, with the settings the
# tests rely on:
# - no window manager wait when a window hides (X11 Managed = N);
# - COM1..9 and LPT1..9 point at /dev/null, so a device-named file can never
#   reach a host port;
# - the user's Desktop, Documents etc. are real folders inside the prefix, not
#   links into $HOME.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
stamp="$WINEPREFIX/.klp-ready"
[ -f "$stamp" ] && exit 0
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$stamp" ] && exit 0
echo "== creating Wine prefix $WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
for i in 1 2 3 4 5 6 7 8 9; do
    reg 'HKLM\Software\Wine\Ports' /v "COM$i" /t REG_SZ /d /dev/null
    reg 'HKLM\Software\Wine\Ports' /v "LPT$i" /t REG_SZ /d /dev/null
done
users="$WINEPREFIX/drive_c/users"
for u in "$users"/*; do
    [ -d "$u" ] || continue
    for link in "$u"/*; do
        if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
done
wineserver -w
touch "$stamp"
