#!/bin/sh
# Runs a test on a virtual X server of its own. Window tests check what the screen shows;
# on a display shared by tests running side by side, another test's window may cover the
# one grabbed. Xvfb picks a free display number itself (-displayfd), so parallel starts
# cannot race for one.
#   ownx.sh PROGRAM [ARGS...]
fifo=$(mktemp -u "${TMPDIR:-/tmp}/vexo-ownx.XXXXXX")
mkfifo "$fifo" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$fifo"' EXIT INT TERM
read -r display < "$fifo"
rm -f "$fifo"
if [ -z "$display" ]; then
    echo "ownx.sh: the virtual X server did not start" >&2
    exit 1
fi
DISPLAY=":$display" "$@"
