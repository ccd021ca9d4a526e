#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/run with no display, when the virtual display or the demo cannot
# start: each failure is told in the failing program's own words, the run
# ends non-zero, and nothing is left behind (no screenshots, no temporary
# files). Needs root, to hide the X socket folder in a mount namespace.
# Last, that the virtual display it starts does not reset between clients.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "needs root (for unshare --mount)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shots=$root/build/program/screenshots
failed=0

# Runs scripts/run with a private TMPDIR; checks its status, that its
# standard error holds each expected text, and that it left nothing.
check() {
    local name=$1 expect1=$2 expect2=$3 status=0
    shift 3
    mkdir -p "$work/tmp"
    env -u DISPLAY -u WAYLAND_DISPLAY TMPDIR="$work/tmp" "$@" "$root/scripts/run" \
        >"$work/out" 2>"$work/err" || status=$?
    local problems=()
    [ "$status" -ne 0 ] || problems+=("exit status 0")
    grep -qF "$expect1" "$work/err" || problems+=("no \"$expect1\" on stderr")
    grep -qF "$expect2" "$work/err" || problems+=("no \"$expect2\" on stderr")
    [ -z "$(ls -A "$work/tmp")" ] || problems+=("left in TMPDIR: $(ls -A "$work/tmp")")
    [ -z "$(ls "$shots"/*.png 2>/dev/null)" ] || problems+=("screenshots kept")
    if [ ${#problems[@]} -gt 0 ]; then
        failed=1
        echo "FAIL $name: ${problems[*]}"
        cat "$work/out" "$work/err"
    else
        echo "ok   $name (status $status)"
    fi
    rm -rf "$work/tmp"
}

check "no X socket folder" "Could not start a virtual display" "Failed to find a socket" \
    unshare --mount sh -c 'mount -t tmpfs -o ro tmpfs /tmp/.X11-unix && exec "$@"' sh
check "unknown video driver" "Video initialization failed: " "The demo could not start" \
    env SDL_VIDEODRIVER=bogus

# Its virtual display never resets: one that resets when its last client
# leaves closes a client connecting meanwhile, as the demo does while the
# script looks for its window, and the demo then finds no display. What a
# client leaves on the root window is still there for the next one.
if (
    source "$root/scripts/common.sh"
    trap 'kill "$xvfb_pid"; rm -f "$xvfb_log"' EXIT
    start_xvfb
    xprop -root -f FLYOVER_MARK 8s -set FLYOVER_MARK kept
    xprop -root FLYOVER_MARK | grep -q kept
); then
    echo "ok   the virtual display keeps what its last client left"
else
    failed=1
    echo "FAIL the virtual display reset when its last client left"
fi
exit "$failed"
