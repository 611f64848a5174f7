#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Soak of the real gateway: Periodic=1, a master that reconnects and
# interrogates every few seconds, a second that sends commands and clock
# synchronisations, and a writer changing the database. Prints resident
# memory, descriptors and threads over time and fails when they grow.
#   scripts/soak.sh [seconds]      (default 600; QX_SOAK_SECONDS works too)
# Builds into build/soak (QX_SOAK_BUILD_DIR chooses another tree, e.g. an
# existing build/test, which then keeps its own configuration). Run as root it uses a private network namespace,
# so the gateway's port 2404 cannot collide with anything else.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qx_need_packages "${QX_BUILD_PACKAGES[@]}"

SECONDS_TO_RUN="${1:-${QX_SOAK_SECONDS:-600}}"
dir="${QX_SOAK_BUILD_DIR:-$QX_ROOT/build/soak}"
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$QX_ROOT" -B "$dir" -DQX_WERROR="${QX_WERROR:-OFF}" \
        -DQX_FLASH_ROOT="$dir/sandbox/NandFlash" -DQX_RUN_DIR="$dir/sandbox/run"
fi
cmake --build "$dir" -j "$QX_JOBS" --target soak_gateway
exe="$dir/tests/app/soak_gateway"
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null; then
    QX_SOAK_SECONDS="$SECONDS_TO_RUN" unshare -n sh -c 'ip link set lo up && "$0"' "$exe"
else
    QX_SOAK_SECONDS="$SECONDS_TO_RUN" "$exe"
fi
