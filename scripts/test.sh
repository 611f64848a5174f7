#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs the whole test suite:
#   1. a normal build (benchmark programs included, not run) and its tests,
#   2. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the same suite under ThreadSanitizer.
# Every build tree lives under build/. Set QX_WERROR=ON to fail on warnings
# (CI does), QX_SANITIZERS=0 to run the plain build only.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# libbenchmark-dev: the plain build also compiles the benchmarks (not run).
qx_need_packages "${QX_BUILD_PACKAGES[@]}" libbenchmark-dev

WERROR="${QX_WERROR:-OFF}"
SANITIZERS="${QX_SANITIZERS:-1}"

run_suite() {
    local name="$1"
    shift
    local dir="$QX_ROOT/build/$name"
    echo "=== $name: configure, build, test"
    cmake -S "$QX_ROOT" -B "$dir" -DQX_WERROR="$WERROR" \
        -DQX_FLASH_ROOT="$dir/sandbox/NandFlash" -DQX_RUN_DIR="$dir/sandbox/run" "$@"
    cmake --build "$dir" -j "$QX_JOBS"
    (cd "$dir" && ctest --output-on-failure -j "$QX_JOBS")
}

run_suite test -DQX_BUILD_BENCH=ON
if [ "$SANITIZERS" != 0 ]; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_suite asan -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE_ADDRESS=ON
    TSAN_OPTIONS=halt_on_error=1 \
        run_suite tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_SANITIZE_THREAD=ON
fi
echo "=== all suites passed"
