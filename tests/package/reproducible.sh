#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package twice with scripts/package, each time from
# nothing in a build tree of its own, and checks that the two are the same
# bytes. On a difference, shows where the two packages differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for n in 1 2; do
    "$root/scripts/package" --build-dir "$work/build$n" >"$work/log$n" 2>&1 ||
        { cat "$work/log$n"; exit 1; }
done
one=$(ls "$work"/build1/*.deb)
two=$(ls "$work"/build2/*.deb)
if ! cmp "$one" "$two"; then
    for part in --info --contents; do
        diff <(dpkg-deb "$part" "$one") <(dpkg-deb "$part" "$two") || true
    done
    diff <(dpkg-deb --fsys-tarfile "$one" | tar -xO | od -c) \
         <(dpkg-deb --fsys-tarfile "$two" | tar -xO | od -c) | head -20 || true
    exit 1
fi
echo "$(basename "$one"): the same bytes from two builds"
