#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the gateway and runs it on the
# bundled demo data in a sandbox under build/demo/, in the foreground on
# TCP port 2404, until Ctrl-C.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qx_need_packages "${QX_BUILD_PACKAGES[@]}"

dir="$QX_ROOT/build/demo"
cmake -S "$QX_ROOT" -B "$dir" -DQX_BUILD_TESTS=OFF \
    -DQX_FLASH_ROOT="$dir/sandbox/NandFlash" -DQX_RUN_DIR="$dir/sandbox/run"
cmake --build "$dir" -j "$QX_JOBS"

if [ ! -x "$dir/src/app/qxsvr104" ]; then
    echo "The gateway qxsvr104 is not built yet: nothing to run." >&2
    exit 1
fi
echo "The gateway is built but the demo sandbox is not set up yet." >&2
exit 1
