# Sourced by the Windows test scripts. start_session makes a fresh wine prefix in a
# temporary folder, so no state of an earlier run leaks in; start_display a virtual X
# display for wine's windows. session_cleanup stops only what this session started.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
xvfb_pid=

start_session() {
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/columnator-wine.XXXXXX")
    export WINEPREFIX WINEDEBUG=-all LANG=C.UTF-8
    # No prompts to install .NET or a browser engine, and no menu entries or file types
    # copied into this machine's own desktop, outside the prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

session_cleanup() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$WINEPREFIX"
}

# Starts Xvfb on a display number it picks itself and exports DISPLAY. The screen is
# 1024 x 768 unless given as WIDTHxHEIGHT; wine keeps windows within it.
start_display() {
    local numberFile=$WINEPREFIX/display
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [ -s "$numberFile" ] && break
        sleep 0.1
    done
    [ -s "$numberFile" ] || { echo "Xvfb did not start"; return 1; }
    export DISPLAY=":$(cat "$numberFile")"
}

wine_boot() {
    "$wine" wineboot --init >/dev/null 2>&1
    "$wineserver" -w
}

# The whole session in one call: prefix, display, booted wine, cleanup on exit.
open_session() {
    start_session
    trap session_cleanup EXIT
    start_display
    wine_boot
}
