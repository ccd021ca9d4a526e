#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows edition under Wine and the web page in Chromium, each against
# the desktop program, on one private X server, taken in turns as
# framerate.sh takes its own (which goes first alternates; each run a fresh
# process; 10 s counted after 300 frames; one pinned clock per turn, so that
# both runs of a turn show the same city).
#  - Wine against the desktop: both draw through Mesa's llvmpipe, whose
#    heads-up display, hidden, writes the frame rate of every half second to
#    a file; the frames of the warm-up are summed from those rates. The
#    swap counter cannot see the Windows program's swaps.
#  - The page against the desktop: Chromium full screen (WebGL on
#    SwiftShader), its frames counted in the page (pagerate.py); the
#    desktop's by the swap counter.
# Prints every turn with the 1-minute load average at its start, then the
# medians.
# Usage: bench/frames/editions.sh BUILD_DIR WINDOWS_ZIP PAGE_DIR [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
zip=$(realpath "$2")
page=$(cd "$3" && pwd)
rounds=${4:-3}
source "$root/scripts/common.sh"
source "$root/bench/frames/swaps.sh"

program=$build/src/flyover
counter=$build/bench/frames/swapcount.so
faketime=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
skip=300
seconds=10
work=$(mktemp -d)

start_xvfb
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
# The zip unpacked as a user does, in a Wine prefix of its own.
unzip -q "$zip" -d "$work/app"
wineboot -i >/dev/null 2>&1
wineserver -w

# The frames a second in Mesa's dump of half-second rates ($1), over
# $seconds after the first $skip frames; nothing until the dump has them.
hudrate() {
    awk -v skip="$skip" -v n=$((seconds * 2)) '
        frames < skip { frames += $1 / 2; next }
        { sum += $1 } ++k == n { printf "%.2f\n", sum / n; exit }' "$1"
}

# Runs a command with Mesa's dump on until hudrate gives a figure, stops it
# with $1 (a command given the pid), and prints the figure.
hudmeasure() {
    local stop=$1 dump=$work/hud rate='' pid
    shift
    rm -rf "$dump"
    mkdir "$dump"
    GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_DUMP_DIR=$dump "$@" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1200); do
        [ -e "$dump/fps" ] && rate=$(hudrate "$dump/fps")
        [ -n "$rate" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    $stop "$pid"
    wait "$pid" || true
    [ -n "$rate" ] || { echo "$* gave no frame rate" >&2; return 1; }
    echo "$rate"
}

stopnative() { kill -TERM "$1" 2>/dev/null || true; }
stopwine() { wineserver -k; }
native() {
    hudmeasure stopnative env SDL_VIDEODRIVER=x11 SWAPCOUNT_CLOCK="$1" LD_PRELOAD="$counter" \
        "$program"
}
# The Windows program's clock is pinned by the faketime library; its Wine
# server is started first, on the real clock.
windows() {
    wineserver -p
    hudmeasure stopwine env TZ=UTC LD_PRELOAD="$faketime" FAKETIME="$(date -u -d "@$1" '+%F %T')" \
        FAKETIME_DONT_FAKE_MONOTONIC=1 wine "$work/app/flyover.exe"
}

# The desktop program counted by the swap counter, as framerate.sh does.
swapped() {
    local result
    result=$(measure "$program" "$1") || return 1
    echo "${result%% *}"
}
webpage() { "$root/bench/frames/pagerate.py" "$page" "$skip" "$seconds" "$1"; }


# Turns of edition $1 (a function) against desktop $2, both given the clock.
compare() {
    local edition=$1 desktop=$2 name=$3 turn clock load e d
    : >"$work/e"
    : >"$work/d"
    : >"$work/r"
    printf '%-5s %14s %12s %8s %6s\n' turn "$name fps" 'desktop fps' ratio load
    clock=$(date +%s)
    for turn in $(seq "$rounds"); do
        load=$(cut -d' ' -f1 /proc/loadavg)
        if ((turn % 2)); then
            e=$($edition $((clock + turn)))
            d=$($desktop $((clock + turn)))
        else
            d=$($desktop $((clock + turn)))
            e=$($edition $((clock + turn)))
        fi
        echo "$e" >>"$work/e"
        echo "$d" >>"$work/d"
        awk -v e="$e" -v d="$d" 'BEGIN { print e / d }' >>"$work/r"
        awk -v t="$turn" -v e="$e" -v d="$d" -v l="$load" \
            'BEGIN { printf "%-5s %14s %12s %7.1f%% %6s\n", t, e, d, 100 * e / d, l }'
    done
    awk -v e="$(median <"$work/e")" -v d="$(median <"$work/d")" -v r="$(median <"$work/r")" \
        -v n="$name" -v l="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
        printf "median %s %.1f fps, desktop %.1f fps; %s / desktop %.1f%% (median of the turns); load average %s at the end\n", n, e, d, n, 100 * r, l }'
}

echo "The editions beside the desktop program on a private X server, $rounds turns each, $seconds s after $skip frames, $(nproc) cores:"
compare windows native Wine
compare webpage swapped page
