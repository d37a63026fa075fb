# Sourced: start_virtual_display STATE_DIR starts a virtual X display for Wine
# programs, exports DISPLAY, and on exit stops the prefix's wineserver and the
# display again.
start_virtual_display() {
    _klp_display_state="$1"
    mkdir -p "$_klp_display_state"
    DISPLAY=$("$(dirname "${BASH_SOURCE[0]}")/xvfb-start.sh" "$_klp_display_state")
    export DISPLAY
    trap _klp_stop_virtual_display EXIT
}

_klp_stop_virtual_display() {
    wineserver -k >/dev/null 2>&1 || true
    "$(dirname "${BASH_SOURCE[0]}")/xvfb-stop.sh" "$_klp_display_state"
}
