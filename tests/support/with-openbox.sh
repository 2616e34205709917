#!/bin/sh
# Runs a test program under a real window manager, on Qt's xcb platform:
#
#   xvfb-run -a sh with-openbox.sh PROGRAM [ARGUMENTS...]
#
# xvfb-run gives the X display; this script starts openbox on it, waits until openbox manages
# the screen, runs the program and stops openbox again. openbox reads only the system's own
# configuration (/etc/xdg/openbox), never the user's.
#
# Where xvfb-run is not installed, CTest runs "sh with-openbox.sh --no-xvfb-run PROGRAM ...".
# Then, or without openbox, the program still runs, on the offscreen platform, with
# KESTA_NO_WINDOW_MANAGER naming what is missing; the program skips its tests with that text.

if [ "$1" = "--no-xvfb-run" ]; then
    shift
    reason="xvfb-run is not installed (scripts/install-deps.sh installs xvfb and xauth)"
    KESTA_NO_WINDOW_MANAGER="$reason" QT_QPA_PLATFORM=offscreen exec "$@"
fi
if [ $# -lt 1 ]; then
    echo "usage: with-openbox.sh [--no-xvfb-run] PROGRAM [ARGUMENTS...]" >&2
    exit 2
fi
if [ -z "$DISPLAY" ]; then
    echo "with-openbox.sh: no X display (run it under xvfb-run)" >&2
    exit 1
fi
if ! command -v openbox >/dev/null 2>&1; then
    reason="openbox is not installed (scripts/install-deps.sh installs it)"
    KESTA_NO_WINDOW_MANAGER="$reason" QT_QPA_PLATFORM=offscreen exec "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kesta-openbox.XXXXXX") || exit 1
ready="$work/ready"
XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" \
    openbox --sm-disable --startup "touch $ready" >"$work/openbox.log" 2>&1 &
wm=$!

stop_wm() {
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    rm -rf "$work"
}
trap 'stop_wm; exit 130' INT TERM

# openbox runs its start-up command once it manages the screen.
tries=0
while [ ! -e "$ready" ]; do
    if ! kill -0 "$wm" 2>/dev/null || [ $tries -ge 300 ]; then
        echo "with-openbox.sh: openbox did not start:" >&2
        cat "$work/openbox.log" >&2
        stop_wm
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

QT_QPA_PLATFORM=xcb "$@"
status=$?
stop_wm
exit $status
