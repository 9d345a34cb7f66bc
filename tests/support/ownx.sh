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
    # Ready once it announces itself on the root window; started again where it ended before
    # (it did once at start, on a machine busy with the whole suite), given up after three
    # starts or half a minute without an answer, with what it said.
    starts=0
    tries=0
    until DISPLAY=":$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        if [ -z "$manager" ] || ! kill -0 "$manager" 2>/dev/null; then
            starts=$((starts + 1))
            if [ "$starts" -gt 3 ]; then
                echo "ownx.sh: the window manager $VEXO_WINDOW_MANAGER did not start:" >&2
                cat "$home/said" >&2
                exit 1
            fi
            DISPLAY=":$display" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
                XDG_DATA_HOME="$home/data" "$VEXO_WINDOW_MANAGER" >"$home/said" 2>&1 &
            manager=$!
        fi
        tries=$((tries + 1))
        if [ "$tries" -gt 600 ]; then
            echo "ownx.sh: the window manager $VEXO_WINDOW_MANAGER did not answer" >&2
            exit 1
        fi
        sleep 0.05
    done
fi
DISPLAY=":$display" "$@"
