#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Without a display it starts
# the program on a virtual X display.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install.sh"

build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target vexo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Vexo on a virtual X display (xvfb-run)."
    exec xvfb-run -a "$build/src/vexo" "$@"
fi
exec "$build/src/vexo" "$@"
