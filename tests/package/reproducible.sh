#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the packages again with scripts/package, into a folder of its own
# and not from its cache, and checks that the source and binary packages
# are the same bytes as those in DIR. On a difference, shows where two packages differ.
# Usage: reproducible.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A relative --build-dir is taken from the folder the script is run in.
(cd "$work" && "$root/scripts/package" --build-dir build --rebuild >log 2>&1) || { cat "$work/log"; exit 1; }
status=0
for one in "$1"/*.{deb,dsc,tar.*}; do
    two=$work/build/$(basename "$one")
    cmp "$one" "$two" && continue
    status=1
    [[ $two == *.deb && -e $two ]] || continue
    for part in --info --contents; do
        diff <(dpkg-deb "$part" "$one") <(dpkg-deb "$part" "$two") || true
    done
    diff <(dpkg-deb --fsys-tarfile "$one" | tar -xO | od -c) \
         <(dpkg-deb --fsys-tarfile "$two" | tar -xO | od -c) | head -20 || true
done
[ "$status" -eq 0 ] && echo "The same bytes from two builds:" "$(cd "$work/build" && echo *.{deb,dsc,tar.*})"
exit "$status"
