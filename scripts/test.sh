#!/usr/bin/env bash
# Installs what is missing, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite. Tests that need a window run
# on a virtual X display; the others use Qt's offscreen platform.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install.sh"

build="$here/build/test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXO_SANITIZE=ON -DVEXO_BUILD_TESTS=ON >/dev/null
cmake --build "$build"

jobs=$(nproc)
cd "$build"
# One virtual display serves every test that asks for it.
exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "$@"
