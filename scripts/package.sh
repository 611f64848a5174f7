#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages of the gateway for this machine and for armhf
# (the controller) into build/packages/:
#   qxsvr104_<version>_<host arch>.deb, qxsvr104_<version>_armhf.deb
# Release builds without tests; the target's paths (/NandFlash, and
# /run/qxsvr104 for the pid file: the unit's RuntimeDirectory=).
# QX_ARMHF=0 builds the host package only. Each package must pass lintian
# without an error or a warning (no override file: there is nothing to
# override), or the script fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qx_need_packages cmake make g++ libsqlite3-dev libssl-dev help2man lintian
out="$QX_ROOT/build/packages"
mkdir -p "$out"

build_package() {
    local name="$1"
    shift
    local dir="$QX_ROOT/build/package-$name"
    echo "=== package $name"
    cmake -S "$QX_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF "$@"
    cmake --build "$dir" -j "$QX_JOBS"
    cpack --config "$dir/CPackConfig.cmake" -B "$dir/cpack"
    local deb
    for deb in "$dir"/cpack/qxsvr104_*.deb; do
        cp "$deb" "$out/"
        built+=("$out/$(basename "$deb")")
    done
}
built=()

# The service's run-state directory (the unit's RuntimeDirectory=).
set -- -DQX_RUN_DIR=/run/qxsvr104

build_package host "$@"
if [ "${QX_ARMHF:-1}" != 0 ]; then
    qx_need_armhf
    build_package armhf "$@" -DCMAKE_TOOLCHAIN_FILE="$QX_ARMHF_TOOLCHAIN"
fi
ls -l "$out"/qxsvr104_*.deb

# lintian on each package just built: its tags are printed, and an error or
# a warning fails the script once every package has been checked.
failed=0
for deb in "${built[@]}"; do
    echo "=== lintian $(basename "$deb")"
    lintian --fail-on error,warning "$deb" || failed=1
done
if [ "$failed" -ne 0 ]; then
    echo "lintian reports errors or warnings" >&2
    exit 1
fi
echo "lintian: no errors or warnings in ${#built[@]} package(s)"
