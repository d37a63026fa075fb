# Sourced: start_virtual_display STATE_DIR starts a virtual X display for Wine
# programs, exports DISPLAY, and on exit stops the display again (and the
# wineserver of $WINEPREFIX, when one is set).
start_virtual_display() {
    _klp_display_state="$1"
    mkdir -p "$_klp_display_state"
    DISPLAY=$("$(dirname "${BASH_SOURCE[0]}")/xvfb-start.sh" "$_klp_display_state")
    export DISPLAY
    trap _klp_stop_virtual_display EXIT
}

_klp_stop_virtual_display() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    "$(dirname "${BASH_SOURCE[0]}")/xvfb-stop.sh" "$_klp_display_state"
}
