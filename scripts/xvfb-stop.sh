#!/usr/bin/env bash
# Stops the virtual display that xvfb-start.sh started for the build tree.
state="$1/.xvfb"
[ -f "$state" ] && kill "$(cat "$state")" 2>/dev/null
rm -f "$state"
exit 0
