#!/usr/bin/env bash
# Starts a virtual display for the build tree and prints its name.
set -euo pipefail
state="$1/.xvfb"
for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$state"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n"; exit 0; }
        sleep 0.1
    done
    kill "$(cat "$state")" 2>/dev/null || true
done
echo "no free display" >&2
exit 1
