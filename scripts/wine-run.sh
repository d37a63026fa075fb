#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix (ctest uses this as
# its cross-compiling emulator). Without a display it starts a virtual one.
#
# The program's output goes through a file: the first Wine process of a prefix
# starts Wine's own background services, which inherit its output handles and
# live as long as the wineserver; writing straight to ctest's pipe would keep
# that pipe open and make ctest wait for ever.
#
# KLP_TEST_TIMEOUT (seconds; ctest's time-out of the test) gives the program a
# deadline a little before ctest's: ctest kills a test that runs out of time
# with SIGKILL, and with it this script before it could print anything. Past
# the deadline the program is stopped here, and what it wrote is printed with
# a line that says so.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export KLP_WINEPREFIX="${KLP_WINEPREFIX:-$PWD/wineprefix}"
"$here/prepare-prefix.sh" || exit 1
source "$here/wine-env.sh"
# The program starts in a short folder of the prefix, C:\work, the same from
# every checkout: nothing a test sees of its current directory depends on
# where the checkout lies. (ctest hands over the program by its full path.)
mkdir -p "$WINEPREFIX/drive_c/work" && cd "$WINEPREFIX/drive_c/work" || exit 1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
limit=()
if [ -n "${KLP_TEST_TIMEOUT:-}" ]; then
    deadline=$((KLP_TEST_TIMEOUT > 40 ? KLP_TEST_TIMEOUT - 20 : KLP_TEST_TIMEOUT / 2))
    limit=(timeout --kill-after=5 "$deadline")
fi
if [ -z "${DISPLAY:-}" ]; then
    "${limit[@]}" xvfb-run -a -s "-screen 0 1024x768x24" wine "$@" </dev/null >"$out" 2>&1
else
    "${limit[@]}" wine "$@" </dev/null >"$out" 2>&1
fi
status=$?
cat "$out"
if [ ${#limit[@]} -gt 0 ] && { [ $status -eq 124 ] || [ $status -eq 137 ]; }; then
    echo "== $(basename "$1") did not finish within $deadline s and was stopped; its output is above"
fi
exit $status
