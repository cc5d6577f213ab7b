# Sourced by the Windows test scripts: a fresh wine prefix in a temporary folder, so
# no state of an earlier run leaks in. Call wine_cleanup on exit; it stops only the
# wineserver of this prefix and removes the prefix.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/columnator-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts to install .NET or a browser engine

wine_cleanup() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

wine_boot() {
    "$wine" wineboot --init >/dev/null 2>&1
    "$wineserver" -w
}
