# Sourced: a throwaway 32-bit Wine prefix, removed again when the script exits.
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

wine_prefix_start() {
    WINEPREFIX=$(mktemp -d /tmp/vexlo-wine.XXXXXX)
    export WINEPREFIX
    trap wine_prefix_stop EXIT
    wineboot --init >/dev/null 2>&1
    wineserver -w            # let the boot's server go, then keep one up between programs
    wineserver -p
}

wine_prefix_stop() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
