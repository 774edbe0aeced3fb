#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# Runs a cross-built Windows program under Wine in a private Wine prefix (created on first use),
# quietly and without Wine's offers to install Mono or Gecko. The Windows build's CTest uses it as
# its cross-compiling emulator. Unix paths among the arguments are the caller's to convert
# (Wine maps drive Z: to /).
set -euo pipefail

if (($# < 2)); then
    echo "usage: $0 PREFIX PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
prefix="$1"
shift

wine="${KALEIDRA_WINE:-/usr/lib/wine/wine64}"
if ! [ -x "$wine" ]; then
    echo "wine-run: $wine is missing (scripts/setup-windows.sh installs Wine)" >&2
    exit 1
fi

mkdir -p "$prefix"
export WINEPREFIX="$(cd "$prefix" && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

# The first program to arrive creates the prefix; the others wait for it instead of racing.
if ! [ -f "$WINEPREFIX/.kaleidra-ready" ]; then
    (
        exec 7>"$WINEPREFIX/.kaleidra-lock"
        flock 7
        if ! [ -f "$WINEPREFIX/.kaleidra-ready" ]; then
            echo "wine-run: creating the Wine prefix $WINEPREFIX" >&2
            "$wine" wineboot --init >/dev/null 2>&1 || true
            "${wine%/*}/wineserver" -w 2>/dev/null || true
            if ! [ -f "$WINEPREFIX/system.reg" ]; then
                echo "wine-run: Wine could not create its prefix in $WINEPREFIX" >&2
                exit 1
            fi
            touch "$WINEPREFIX/.kaleidra-ready"
        fi
    )
fi

exec "$wine" "$@"
