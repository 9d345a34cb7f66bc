#!/usr/bin/env bash
# Installs what is missing, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite. Each test that needs a window
# runs on a virtual X display of its own; the others use Qt's offscreen platform.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install.sh"

build="$here/build/test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXO_SANITIZE=ON -DVEXO_BUILD_TESTS=ON >/dev/null
cmake --build "$build"

# One test more than cores: some tests mostly wait (an engine's time-out, playback in real
# time), and on two cores the others would queue behind them with a core idle.
jobs=$(( $(nproc) + 1 ))
cd "$build"
exec ctest --output-on-failure -j "$jobs" "$@"
