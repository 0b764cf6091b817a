# Sourced: throwaway Wine prefixes, each removed again when the next one
# starts or the script exits. Only a prefix made here is ever removed. The
# first prefix of each kind is booted by wineboot and kept aside unused;
# later ones of that kind are copies of it, the same fresh machine without
# the boot (seconds here, minutes in the emulated machine). The emulated
# machine keeps them for its later runs too, in VEXLO_FRESH_PREFIXES.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
own_prefix=
fresh_prefixes=${VEXLO_FRESH_PREFIXES:-}
fresh_prefixes_own=
wine_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Whether this machine runs 32-bit programs (scripts/setup finds out); where
# it does not, only 64-bit prefixes and programs, through the 64-bit loader.
if "$wine_scripts/setup" --can-run-32bit; then
    wine_32bit=1
    export VEXLO_WINE64_ONLY=
else
    wine_32bit=
    export VEXLO_WINE64_ONLY=1
fi
export PATH=$wine_scripts/bin:$PATH

# wine_prefix_start [win32|win64]: a fresh prefix of a 32-bit Windows (the
# default), or of a 64-bit one where 32-bit programs run under WOW64 when the
# machine runs them. Says what went wrong and returns 1 when the prefix
# cannot be had.
wine_prefix_start() {
    wine_prefix_stop
    export WINEARCH=${1:-win32}
    if [ "$WINEARCH" = win32 ] && [ -z "$wine_32bit" ]; then
        echo "wine-prefix: no 32-bit prefix: this machine cannot run 32-bit programs (scripts/setup says why)" >&2
        return 1
    fi
    own_prefix=$(mktemp -d /tmp/vexlo-wine.XXXXXX)
    export WINEPREFIX=$own_prefix
    trap wine_prefixes_end EXIT
    if [ -z "$fresh_prefixes" ]; then
        fresh_prefixes=$(mktemp -d /tmp/vexlo-wine-fresh.XXXXXX)
        fresh_prefixes_own=1
    fi
    # Named by what the boot depends on besides Wine itself.
    local fresh
    fresh=$fresh_prefixes/$WINEARCH-$(echo "$WINEDLLOVERRIDES" | cksum | cut -d' ' -f1)
    if [ -d "$fresh" ]; then
        cp -a "$fresh/." "$WINEPREFIX/" ||
            { echo "wine-prefix: a fresh $WINEARCH prefix could not be copied (above)" >&2; return 1; }
    else
        local log code=0
        log=$(wine wineboot --init 2>&1) || code=$?
        if [ "$code" -ne 0 ] || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
            echo "wine-prefix: a fresh $WINEARCH prefix did not boot (wineboot exit $code); it said:" >&2
            sed 's/^/    /' <<<"$log" | tail -n 5 >&2
            return 1
        fi
        wineserver -w        # let the boot's server go before the copy and the first program
        # Complete or not at all; without room for it, the next prefix of
        # this kind boots too.
        if cp -a "$WINEPREFIX/." "$fresh.new.$$/" 2>/dev/null; then mv -T "$fresh.new.$$" "$fresh" 2>/dev/null; fi
        rm -rf "$fresh.new.$$"
    fi
    wineserver -p            # one server kept up between programs
}

wine_prefixes_end() {
    wine_prefix_stop
    [ -z "$fresh_prefixes_own" ] || rm -rf "$fresh_prefixes"
    fresh_prefixes_own=
}

wine_prefix_stop() {
    if [ -n "$own_prefix" ] && [ -d "$own_prefix" ]; then
        WINEPREFIX=$own_prefix wineserver -k 2>/dev/null || true
        rm -rf "$own_prefix"
    fi
    own_prefix=
}
