# Sourced: throwaway Wine prefixes, each removed again when the next one
# starts or the script exits. Only a prefix made here is ever removed.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
own_prefix=

# wine_prefix_start [win32|win64]: a fresh prefix of a 32-bit Windows (the
# default), or of a 64-bit one where 32-bit programs run under WOW64.
wine_prefix_start() {
    wine_prefix_stop
    export WINEARCH=${1:-win32}
    own_prefix=$(mktemp -d /tmp/vexlo-wine.XXXXXX)
    export WINEPREFIX=$own_prefix
    trap wine_prefix_stop EXIT
    wineboot --init >/dev/null 2>&1
    wineserver -w            # let the boot's server go, then keep one up between programs
    wineserver -p
}

wine_prefix_stop() {
    if [ -n "$own_prefix" ] && [ -d "$own_prefix" ]; then
        WINEPREFIX=$own_prefix wineserver -k 2>/dev/null || true
        rm -rf "$own_prefix"
    fi
    own_prefix=
}
