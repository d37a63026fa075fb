#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix (ctest uses this as
# its cross-compiling emulator). Without a display it starts a virtual one.
#
# The program's output goes through a file: the first Wine process of a prefix
# starts Wine's own background services, which inherit its output handles and
# live as long as the wineserver; writing straight to ctest's pipe would keep
# that pipe open and make ctest wait for ever.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export KLP_WINEPREFIX="${KLP_WINEPREFIX:-$PWD/wineprefix}"
"$here/prepare-prefix.sh" || exit 1
source "$here/wine-env.sh"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" wine "$@" </dev/null >"$out" 2>&1
else
    wine "$@" </dev/null >"$out" 2>&1
fi
status=$?
cat "$out"
exit $status
