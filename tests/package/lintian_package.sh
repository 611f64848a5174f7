#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
#
# lintian_package.sh <package-dir> <debian-arch> <scratch-dir>
#
# Checks the Debian package that check_package.sh built into <package-dir>
# as Debian would: lintian reports no error and no warning (its informational
# tags are not checked), and every manual page in it renders with man
# without a warning. Exits 77 (skipped) where lintian or man is missing.
set -eu
packages=$1
arch=$2
scratch=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in lintian man; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool not installed"
        exit 77
    fi
done

rm -rf "$scratch"
mkdir -p "$scratch"
deb=$(ls "$packages"/qxsvr104_*_"$arch".deb 2>/dev/null || true)
[ -n "$deb" ] && [ -f "$deb" ] || fail "no qxsvr104_*_$arch.deb in $packages"

# lintian's exit status alone: a tag it shows (E: or W:) fails the check.
status=0
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || status=$?
cat "$scratch/lintian.log"
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings ($status)"
! grep -Eq '^[EW]: ' "$scratch/lintian.log" || fail "lintian reports errors or warnings"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
pages=$(find "$root/usr/share/man" -name '*.gz' | sort)
[ -n "$pages" ] || fail "no manual pages in the package"
for page in $pages; do
    MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/man.log" >/dev/null \
        || fail "man cannot render ${page#"$root"}"
    [ ! -s "$scratch/man.log" ] || { cat "$scratch/man.log" >&2; fail "man warns about ${page#"$root"}"; }
    gzip -t "$page" || fail "${page#"$root"} is not gzip data"
done
echo "package $deb: lintian clean, $(echo "$pages" | wc -l) manual pages render cleanly"
