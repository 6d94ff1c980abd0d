#!/usr/bin/env bash
# The protocol library's tests under AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# then every fuzz target for a bounded time: FUZZ_SECONDS each (60 by default, so that the
# four targets take about four minutes together).
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
BUILD=${BUILD_DIR:-build-asan}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKLV_LIBRARY_ONLY=ON -DKLV_SANITIZE=ON -DKLV_BUILD_FUZZ=ON -DKLV_BUILD_BENCH=OFF
cmake --build "$BUILD" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)"
shopt -s nullglob
for fuzzer in "$BUILD"/bin/*_fuzz; do
    corpus=$(mktemp -d)
    seeds="fuzz/corpus/$(basename "$fuzzer")"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    echo "== $(basename "$fuzzer") for ${FUZZ_SECONDS}s"
    QT_QPA_PLATFORM=offscreen "$fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=4096 "$corpus"
    rm -rf "$corpus"
done
