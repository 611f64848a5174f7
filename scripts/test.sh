#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Sets up a fresh Debian machine and runs the whole test suite:
#   1. a normal build (benchmark programs included, not run) and its tests,
#   2. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the same suite under ThreadSanitizer,
#   4. a Release cross build for armhf (the controller) and the same suite
#      under qemu-arm, the process tests included,
#   5. the unit suites built with clang under UndefinedBehaviorSanitizer
#      (clang also checks that enumerations hold values of their range),
#   6. every libFuzzer target for QX_FUZZ_SECONDS (60) seconds from its seed
#      corpus, under AddressSanitizer and UndefinedBehaviorSanitizer.
# Every build tree lives under build/. Set QX_WERROR=ON to fail on warnings
# (CI does), QX_SANITIZERS=0 to skip steps 2 and 3, QX_ARMHF=0 to skip step 4,
# QX_CLANG=0 to skip steps 5 and 6, QX_FUZZ_SECONDS=0 to skip step 6 alone.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# systemd: systemd-analyze checks the packaged unit; libbenchmark-dev: the
# plain build also compiles the benchmarks (not run).
qx_need_packages "${QX_BUILD_PACKAGES[@]}" "${QX_TEST_PACKAGES[@]}" systemd libbenchmark-dev

WERROR="${QX_WERROR:-OFF}"
SANITIZERS="${QX_SANITIZERS:-1}"
CLANG_STEPS="${QX_CLANG:-$SANITIZERS}"
FUZZ_SECONDS="${QX_FUZZ_SECONDS:-60}"

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

# ------------------------------------------------------------ armhf suite
ARMHF="${QX_ARMHF:-1}"
run_armhf_suite() {
    qx_need_armhf
    local start=$SECONDS
    run_suite armhf -DCMAKE_TOOLCHAIN_FILE="$QX_ARMHF_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release
    echo "=== armhf: built and tested under qemu-arm in $((SECONDS - start)) s"
}
if [ "$ARMHF" != 0 ]; then
    run_armhf_suite
fi

# ---------------------------------------------------------------- clang steps
# Only what each step needs is built: the unit test executables, or the
# fuzz targets and the libraries they link.

QX_CLANG_UNIT_SUITES=(test_hal test_common_platform test_support test_cs101 test_cs104 test_qxdb)

clang_configure() {
    local dir="$1"
    shift
    CC=clang CXX=clang++ cmake -S "$QX_ROOT" -B "$dir" -DQX_WERROR="$WERROR" \
        -DQX_FLASH_ROOT="$dir/sandbox/NandFlash" -DQX_RUN_DIR="$dir/sandbox/run" "$@"
}

# Runs each unit suite as one process (not one case per process), so
# order dependence between cases shows too.
run_clang_ubsan_units() {
    local dir="$QX_ROOT/build/clang-ubsan"
    echo "=== clang-ubsan: configure, build, run the unit suites"
    clang_configure "$dir" -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE_UNDEFINED=ON
    cmake --build "$dir" -j "$QX_JOBS" --target "${QX_CLANG_UNIT_SUITES[@]}"
    local suite exe passed=0 failed=0
    for suite in "${QX_CLANG_UNIT_SUITES[@]}"; do
        exe="$(find "$dir/tests" -type f -name "$suite" -perm -u+x | head -n 1)"
        echo "--- $suite"
        if (cd "$(dirname "$exe")" && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "$exe" --gtest_brief=1); then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
        fi
    done
    echo "clang-ubsan: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# Each target starts from its seeds in fuzz/corpus/<target> and keeps what it
# finds under build/fuzz; a crash stops the run with its input saved there.
run_fuzzers() {
    local dir="$QX_ROOT/build/fuzz"
    local targets=(fuzz_connection fuzz_asdu fuzz_ini fuzz_profile fuzz_binary)
    echo "=== fuzz: configure, build, run each target for $FUZZ_SECONDS s"
    clang_configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_BUILD_FUZZ=ON \
        -DQX_BUILD_TESTS=OFF
    cmake --build "$dir" -j "$QX_JOBS" --target "${targets[@]}"
    local target
    for target in "${targets[@]}"; do
        echo "--- $target"
        mkdir -p "$dir/corpus/$target" "$dir/artifacts" "$dir/work"
        (cd "$dir/work" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            "$dir/fuzz/$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" \
            "$dir/corpus/$target" "$QX_ROOT/fuzz/corpus/$target")
    done
}

if [ "$CLANG_STEPS" != 0 ]; then
    qx_need_packages "${QX_CLANG_PACKAGES[@]}"
    run_clang_ubsan_units
    if [ "$FUZZ_SECONDS" != 0 ]; then
        run_fuzzers
    fi
fi
echo "=== all suites passed"
