#!/bin/sh
# Runs a command that opens windows: with the caller's display when DISPLAY is
# set, otherwise with a virtual one that lasts as long as the command.
#
#   with-display.sh [--wine-prefix DIR] COMMAND [ARGS...]
#
# Under Wine the desktop belongs to the prefix's server, which outlives the
# program by a few seconds: the server is waited for before and after, so no
# run inherits a desktop on a display that is gone.
set -u
prefix=""
if [ "${1:-}" = "--wine-prefix" ]; then
    prefix="$2"
    shift 2
fi
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
wait_for_wine() {
    if [ -n "$prefix" ] && [ -d "$prefix" ]; then
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    fi
}
wait_for_wine
export SONRIK_WITH_DISPLAY_PREFIX="$prefix"
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    "$@"
    status=$?
    if [ -n "$SONRIK_WITH_DISPLAY_PREFIX" ]; then
        WINEPREFIX="$SONRIK_WITH_DISPLAY_PREFIX" wineserver -w 2>/dev/null
    fi
    exit $status' with-display "$@"
