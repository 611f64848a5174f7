#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Sets up a fresh Debian machine, builds the gateway and runs it on the
# bundled demo data in a sandbox under build/demo/, in the foreground on
# TCP port 2404, until Ctrl-C.
#
# Sandbox layout (everything under build/demo/sandbox/):
#   NandFlash/          flash root: configuration database dbCfg.db3, log dir tmp/
#   run/                run-state directory: qxsvr104.pid
#   work/               the gateway's working directory: qxSvr.ini,
#                       tmp/dbDat0.db3 and a link to libqxdb.so
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qx_need_packages "${QX_BUILD_PACKAGES[@]}" sqlite3

dir="$QX_ROOT/build/demo"
sandbox="$dir/sandbox"
cmake -S "$QX_ROOT" -B "$dir" -DQX_BUILD_TESTS=OFF \
    -DQX_FLASH_ROOT="$sandbox/NandFlash" -DQX_RUN_DIR="$sandbox/run"
cmake --build "$dir" -j "$QX_JOBS"

gateway="$dir/src/app/qxsvr104"
builder="$dir/tools/qxdemo/qxdemo"
library="$dir/src/qxdb/libqxdb.so"
master="$dir/tools/qx104master/qx104master"
for f in "$gateway" "$builder" "$library" "$master"; do
    if [ ! -e "$f" ]; then
        echo "missing after the build: $f" >&2
        exit 1
    fi
done

# A fresh data set on every start: the demo always begins from the same data.
mkdir -p "$sandbox/NandFlash/tmp" "$sandbox/run" "$sandbox/work"
"$builder" --force "$sandbox/work" "$sandbox/NandFlash/dbCfg.db3"
# A short report period so the periodic reports are easy to watch.
sed -i 's/^Periodic=.*/Periodic=5/' "$sandbox/work/qxSvr.ini"
ln -sf "$library" "$sandbox/work/libqxdb.so"

cat <<EOF

Gateway starting in $sandbox/work on TCP port 2404 (Ctrl-C stops it).
Watch it from a second terminal with the operator master, for example:
  $master -i          station interrogation, then 5 s of reports
  $master -c 5000=1   single command (confirmed)
  $master -s -w 0     clock synchronisation, then print until Ctrl-C
Change a value while it runs and see it in the next report:
  sqlite3 $sandbox/work/tmp/dbDat0.db3 "update tbPower set V01=4615 where SID=1"

EOF
cd "$sandbox/work"
exec "$gateway"
