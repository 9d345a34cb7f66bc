#!/bin/sh
# Runs a test on a virtual X server of its own. Window tests check what the screen shows;
# on a display shared by tests running side by side, another test's window may cover the
# one grabbed. Xvfb picks a free display number itself (-displayfd), so parallel starts
# cannot race for one. With VEXO_WINDOW_MANAGER set (openbox), that window manager runs on
# the server too, for tests of placement, stacking and resizing; its settings and cache
# stay in a folder of this run.
#   ownx.sh PROGRAM [ARGS...]
fifo=$(mktemp -u "${TMPDIR:-/tmp}/vexo-ownx.XXXXXX")
mkfifo "$fifo" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
server=$!
manager=
home=
trap '[ -n "$manager" ] && kill "$manager" 2>/dev/null; kill "$server" 2>/dev/null; rm -f "$fifo"; [ -n "$home" ] && rm -rf "$home"' EXIT INT TERM
read -r display < "$fifo"
rm -f "$fifo"
if [ -z "$display" ]; then
    echo "ownx.sh: the virtual X server did not start" >&2
    exit 1
fi
if [ -n "$VEXO_WINDOW_MANAGER" ]; then
    home=$(mktemp -d "${TMPDIR:-/tmp}/vexo-wm.XXXXXX") || exit 1
    DISPLAY=":$display" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        XDG_DATA_HOME="$home/data" "$VEXO_WINDOW_MANAGER" >/dev/null 2>&1 &
    manager=$!
    # Ready once it announces itself on the root window; given up after ten seconds.
    tries=0
    until DISPLAY=":$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        if [ "$tries" -gt 200 ] || ! kill -0 "$manager" 2>/dev/null; then
            echo "ownx.sh: the window manager $VEXO_WINDOW_MANAGER did not start" >&2
            exit 1
        fi
        sleep 0.05
    done
fi
DISPLAY=":$display" "$@"
