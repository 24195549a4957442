#!/bin/sh
# Packs the build as a Debian package and has lintian, Debian's own checker, look at it: any error
# or warning fails. Usage: lintian_check.sh CPACK CPACK_CONFIG
set -eu
cpack=$1
config=$2
command -v lintian >/dev/null || { echo "lintian is not installed (scripts/setup installs it)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/qx4-lintian.XXXXXX")
trap 'rm -rf "$work"' EXIT
if ! "$cpack" --config "$config" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
set -- "$work"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "cpack made no single package: $*"; exit 1; }
# --fail-on makes lintian's exit code say whether an error or a warning was found; every tag it
# reports is printed either way.
lintian --fail-on error,warning "$1"
