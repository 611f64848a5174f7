#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# check_package.sh <build-dir> <debian-arch> <elf-machine> <scratch-dir>
#
# Builds the Debian package of a build tree with CPack and checks it: the
# exact file list, the architecture in the control file and in every
# program's ELF header, stripped programs, and that the installed systemd
# unit passes "systemd-analyze verify" (skipped, exit 77, where
# systemd-analyze is missing or cannot run).
set -eu
build=$1
arch=$2
machine=$3
scratch=$4

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$scratch"/qxsvr104_*_"$arch".deb 2>/dev/null || true)
[ -n "$deb" ] && [ -f "$deb" ] || fail "no qxsvr104_*_$arch.deb in $scratch"

# ------------------------------------------------------------ file list
dpkg-deb -c "$deb" | awk '{ line = $6; if ($7 == "->") line = line " -> " $8; print line }' \
    | sort >"$scratch/files"
sort >"$scratch/expected" <<'LIST'
./usr/
./usr/bin/
./usr/bin/qx104master
./usr/bin/qxdemo
./usr/bin/qxpoints
./usr/bin/qxsvr104
./usr/lib/
./usr/lib/qxsvr104/
./usr/lib/qxsvr104/libqxdb.so
./usr/lib/sysusers.d/
./usr/lib/sysusers.d/qxsvr104.conf
./usr/lib/systemd/
./usr/lib/systemd/system/
./usr/lib/systemd/system/qxsvr104.service
./usr/share/
./usr/share/doc/
./usr/share/doc/qxsvr104/
./usr/share/doc/qxsvr104/README.md
./usr/share/doc/qxsvr104/changelog.gz
./usr/share/doc/qxsvr104/copyright
./usr/share/man/
./usr/share/man/man1/
./usr/share/man/man1/qx104master.1.gz
./usr/share/man/man1/qxdemo.1.gz
./usr/share/man/man1/qxpoints.1.gz
./usr/share/man/man1/qxsvr104.1.gz
./usr/share/qxsvr104/
./usr/share/qxsvr104/qxSvr.ini.example
./var/
./var/lib/
./var/lib/qxsvr104/
./var/lib/qxsvr104/libqxdb.so -> /usr/lib/qxsvr104/libqxdb.so
./var/lib/qxsvr104/tmp/
LIST
diff -u "$scratch/expected" "$scratch/files" || fail "file list differs (- expected, + packaged)"

[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "control file names another architecture"
[ "$(dpkg-deb -f "$deb" Package)" = "qxsvr104" ] || fail "wrong package name"

# ------------------------------------------------ programs of this target
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/qxsvr104 usr/bin/qx104master usr/bin/qxdemo usr/bin/qxpoints \
    usr/lib/qxsvr104/libqxdb.so; do
    [ -x "$root/$f" ] || [ "$f" = usr/lib/qxsvr104/libqxdb.so ] || fail "$f not executable"
    # e_machine, 16 bits little-endian at offset 18 of the ELF header
    got=$(od -An -tu2 -j18 -N2 "$root/$f" | tr -d ' ')
    [ "$got" = "$machine" ] || fail "$f is for ELF machine $got, not $machine"
    if command -v readelf >/dev/null; then
        readelf -S "$root/$f" | grep -q '\.symtab' && fail "$f is not stripped"
    fi
done

# ------------------------------------------------------------ the unit
unit="$root/usr/lib/systemd/system/qxsvr104.service"
for line in "WorkingDirectory=/var/lib/qxsvr104" "ExecStart=/usr/bin/qxsvr104" \
    "Restart=on-failure" "KillSignal=SIGTERM" "WantedBy=multi-user.target"; do
    grep -qx "$line" "$unit" || fail "unit lacks $line"
done
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze not installed"
    exit 77
fi
# The unit as installed, except that ExecStart names the unpacked program
# (verify checks that it is executable). Any complaint about the unit fails;
# a machine without systemd's own units cannot verify and skips.
mkdir -p "$scratch/verify"
sed "s|^ExecStart=/usr/bin/qxsvr104|ExecStart=$root/usr/bin/qxsvr104|" "$unit" \
    >"$scratch/verify/qxsvr104.service"
status=0
systemd-analyze verify "$scratch/verify/qxsvr104.service" >"$scratch/verify.log" 2>&1 || status=$?
cat "$scratch/verify.log"
if grep -Eq "Unit [a-z.-]+\.target not found|Failed to (connect|initialize)" "$scratch/verify.log"; then
    echo "SKIP: systemd-analyze cannot run here"
    exit 77
fi
[ "$status" -eq 0 ] || fail "systemd-analyze verify failed ($status)"
[ ! -s "$scratch/verify.log" ] || fail "systemd-analyze verify complains about the unit"

# ------------------------------------------ the service user and sandbox
# The unit speaks the notify protocol with a watchdog, runs as the package's
# system user with its run directory, and its sandbox keeps systemd's
# exposure rating at or below QX_MAX_EXPOSURE (the unit rates 1.2 with
# systemd 252; a root unit without a sandbox rates 9.6).
QX_MAX_EXPOSURE=2.0
for line in "Type=notify" "WatchdogSec=30" "User=qxsvr104" "RuntimeDirectory=qxsvr104" \
    "NoNewPrivileges=yes" "CapabilityBoundingSet=" "ProtectSystem=strict"; do
    grep -qx "$line" "$unit" || fail "unit lacks $line"
done
grep -Eq '^u qxsvr104 ' "$root/usr/lib/sysusers.d/qxsvr104.conf" || fail "sysusers.d makes no user qxsvr104"
dpkg-deb -I "$deb" postinst | grep -q 'systemd-sysusers qxsvr104.conf' \
    || fail "postinst does not make the service user"
systemd-analyze security --offline=yes "$scratch/verify/qxsvr104.service" >"$scratch/security.log" 2>&1 \
    || true
exposure=$(sed -n 's/.*Overall exposure level for qxsvr104.service: \([0-9.]*\).*/\1/p' \
    "$scratch/security.log")
[ -n "$exposure" ] || { cat "$scratch/security.log" >&2; fail "no exposure level from systemd-analyze security"; }
echo "systemd-analyze security: exposure $exposure (at most $QX_MAX_EXPOSURE)"
awk -v got="$exposure" -v max="$QX_MAX_EXPOSURE" 'BEGIN { exit !(got <= max) }' \
    || { grep '✗' "$scratch/security.log" >&2; fail "exposure $exposure above $QX_MAX_EXPOSURE"; }
echo "package $deb checked"
