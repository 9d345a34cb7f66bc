#!/usr/bin/env bash
# Installs what is missing, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite. Each test that needs a window
# runs on a virtual X display of its own; the others use Qt's offscreen platform.
#
# Without arguments it then runs the main window's tests again, a few times, in an optimised
# build without sanitizers: a window deleted inside a loop of its own crashed there in half
# the runs and never under the sanitizers, whose pace orders the events otherwise. That
# build is begun at idle priority while the suite runs, so it takes only the time the
# suite's waits leave over; what it has not done when the suite ends is done then, at
# normal priority (beside other work, such as a user's encodes, an idle build gets no
# processor time at all and would never end). Arguments go to CTest (a subset of the suite)
# and skip it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install.sh"

build="$here/build/test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXO_SANITIZE=ON -DVEXO_BUILD_TESTS=ON >/dev/null
cmake --build "$build"
# The clips the tests share are made anew by each run: another FFmpeg makes other bytes.
rm -rf "$build/test-media"

# One test more than cores: some tests mostly wait (an engine's time-out, playback in real
# time), and on two cores the others would queue behind them with a core idle.
jobs=$(( $(nproc) + 1 ))
if [ $# -gt 0 ]; then
    cd "$build"
    exec ctest --output-on-failure -j "$jobs" "$@"
fi

optimised="$here/build/optimised"
optimisedLog="$optimised.log"
# Only when no other work wants the processor (SCHED_IDLE); else at the lowest niceness.
idle() {
    if chrt --idle 0 true 2>/dev/null; then
        chrt --idle 0 "$@"
    else
        nice -n 19 "$@"
    fi
}
# Only the main window's test file (the other test files of tst_app would cost a third
# more), debug information enough for a backtrace with lines (-g1, a sixth less), and each
# library's sources compiled together (half the processor time: the Qt headers are read
# once per library instead of once per file).
cmake -S "$here" -B "$optimised" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXO_SANITIZE=OFF -DCMAKE_UNITY_BUILD=ON \
    -DVEXO_BUILD_TESTS=ON -DVEXO_BUILD_BENCH=OFF '-DVEXO_TEST_FILES=app/tst_mainwindow\.cpp$' \
    '-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG' >/dev/null
# In a session of its own, so that the whole build (Ninja and its compilers) can be stopped.
setsid bash -c "$(declare -f idle); idle cmake --build '$optimised' --target tst_app" >"$optimisedLog" 2>&1 &
builder=$!

status=0
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=$?
# Ninja, stopped, removes what it was writing; started again it goes on from there.
kill -INT -- "-$builder" 2>/dev/null || true
wait "$builder" 2>/dev/null || true
if ! cmake --build "$optimised" --target tst_app >>"$optimisedLog" 2>&1; then
    cat "$optimisedLog"
    exit 1
fi
(cd "$optimised" && ctest --output-on-failure --repeat until-fail:3 -R '^app\.TestMainWindow$') || status=$?
# A failing row is told again last, where a reader of a long log looks first.
if [ "$status" -ne 0 ]; then
    for log in "$build" "$optimised"; do
        grep -h -A3 -E '^(FAIL!|XPASS|QFATAL)' "$log/Testing/Temporary/LastTest.log" 2>/dev/null || true
    done
fi
exit "$status"
