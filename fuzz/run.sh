#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for the given time, starting from its seeds.
#   bash fuzz/run.sh [SECONDS] [TARGET...]
# SECONDS per target (60 when not given); TARGET names as in fuzz_TARGET.cpp (all when none).
# Inputs grow up to 4 MiB, what the program reads of one answer channel, and each target
# takes the words of its dictionary (dicts/TARGET.dict) into them.
# New inputs gather in build/fuzz/corpus/TARGET; an input that crashes, leaks, runs out of
# memory or takes longer than 10 s is kept in build/fuzz/findings/TARGET and fails the run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
bash "$here/scripts/install.sh" clang-14 libclang-rt-14-dev

build="$here/build/fuzz"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVEXO_FUZZ=ON -DVEXO_BUILD_TESTS=OFF -DVEXO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-$(nproc)}"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for file in "$here"/fuzz/fuzz_*.cpp; do
        name=$(basename "$file" .cpp)
        targets+=("${name#fuzz_}")
    done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$here/tests/support/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    dictionary=()
    if [ -f "$here/fuzz/dicts/$target.dict" ]; then
        dictionary=(-dict="$here/fuzz/dicts/$target.dict")
    fi
    echo "== $target: ${seconds} s"
    if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4194304 -timeout=10 -rss_limit_mb=4096 \
        "${dictionary[@]}" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$here/fuzz/seeds/$target"; then
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]} (see $build/findings)" >&2
    exit 1
fi
echo "no findings in ${#targets[@]} targets"
