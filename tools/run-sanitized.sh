#!/usr/bin/env bash
# Everything (the library, the server, the viewer and all their tests) built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, the whole test suite run in that build, then
# every fuzz target of the same build for a bounded time: FUZZ_SECONDS each (60 by default, so
# that the four targets take about four minutes together). Any report fails the run.
#
# BUILD_DIR names the build folder (build-asan), JOBS the parallel jobs (all processors); a
# compiler cache is used when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
BUILD=${BUILD_DIR:-build-asan}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
JOBS=${JOBS:-$(nproc)}
LAUNCHER=()
if command -v ccache >/dev/null; then
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# -O1 keeps the sanitized tests quick without losing the stack traces of the reports.
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" \
    -DKLV_SANITIZE=ON -DKLV_BUILD_FUZZ=ON -DKLV_BUILD_BENCH=OFF "${LAUNCHER[@]}"
cmake --build "$BUILD" -j "$JOBS"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The install test builds a client of its own against the installed libraries, outside the
# sanitizers: it is the plain build's to run.
ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS" -E '^install_test$'
shopt -s nullglob
for fuzzer in "$BUILD"/bin/*_fuzz; do
    corpus=$(mktemp -d)
    seeds="fuzz/corpus/$(basename "$fuzzer")"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    echo "== $(basename "$fuzzer") for ${FUZZ_SECONDS}s"
    QT_QPA_PLATFORM=offscreen "$fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=4096 "$corpus"
    rm -rf "$corpus"
done
