#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
#
# Documents of the Debian package, each compressed with gzip -9n (no name,
# no time stamp: the same input gives the same octets).
#
#   package_docs.sh man <out.1.gz> <include.h2m> <command word>...
#       The manual page of a program made by help2man from its --help and
#       --version output and the include file. The command words run the
#       program: the program itself, or in a cross build the emulator, its
#       arguments and the program.
#   package_docs.sh changelog <out.gz> <CHANGELOG.md> <package> <version> <maintainer>
#       A Debian changelog for a native package: one entry for the version,
#       then the project's own history verbatim after an "Old Changelog:"
#       line (Debian's parsers and lintian stop reading there).
#
# Dates (the manual page's and the changelog entry's) come from
# SOURCE_DATE_EPOCH, else the last commit of the source tree, else now.
set -eu

epoch() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null; then
        :
    else
        date +%s
    fi
}

mode=$1
out=$2
shift 2
SOURCE_DATE_EPOCH=$(epoch)
export SOURCE_DATE_EPOCH
case $mode in
man)
    include=$1
    shift
    # help2man runs "<command> --help" through the shell: quote every word.
    command=""
    for word in "$@"; do
        command="$command '$(printf '%s' "$word" | sed "s/'/'\\\\''/g")'"
    done
    help2man --no-info --section=1 --include="$include" --output="$out.tmp" "$command"
    gzip -9n -c "$out.tmp" >"$out"
    rm -f "$out.tmp"
    ;;
changelog)
    history=$1
    package=$2
    version=$3
    maintainer=$4
    {
        printf '%s (%s) unstable; urgency=medium\n\n' "$package" "$version"
        printf '  * Release %s. The changes of every release follow below as the\n' "$version"
        printf '    project keeps them in CHANGELOG.md.\n\n'
        printf ' -- %s  %s\n\n' "$maintainer" "$(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")"
        printf 'Old Changelog:\n\n'
        cat "$history"
    } | gzip -9n >"$out"
    ;;
*)
    echo "usage: package_docs.sh man|changelog <out> ..." >&2
    exit 2
    ;;
esac
