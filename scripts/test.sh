#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs the whole test suite:
#   1. a normal build and its tests,
#   2. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the same suite under ThreadSanitizer,
#   4. a Release cross build for armhf (the controller) and the same suite
#      under qemu-arm, the process tests included.
# Every build tree lives under build/. Set QX_WERROR=ON to fail on warnings
# (CI does), QX_SANITIZERS=0 to skip steps 2 and 3, QX_ARMHF=0 to skip step 4.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# systemd: systemd-analyze checks the packaged unit
qx_need_packages "${QX_BUILD_PACKAGES[@]}" "${QX_TEST_PACKAGES[@]}" systemd

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

run_suite test
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

echo "=== all suites passed"
