#!/usr/bin/env bash
# The real program's frame rate against the bare drawing loop, on one private
# X server, taken in turns: each run is a fresh process whose buffer swaps are
# counted by the preloaded swapcount library over a fixed window after a
# warm-up. Prints every run, then the medians and their ratio.
# Usage: bench/frames/framerate.sh BUILD_DIR [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-5}
source "$root/scripts/common.sh"

program=$build/src/flyover
bare=$build/bench/frames/bareloop
counter=$build/bench/frames/swapcount.so
skip=${SWAPCOUNT_SKIP:-300}     # frames: start-up, the empty first frames, warm-up
seconds=${SWAPCOUNT_SECONDS:-10}
work=$(mktemp -d)

start_xvfb
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# Runs one binary until the counter has written its line, stops it, and
# prints "frames/s outside-share".
measure() {
    local out=$work/result pid line
    rm -f "$out"
    SDL_VIDEODRIVER=x11 SWAPCOUNT_OUT=$out SWAPCOUNT_SKIP=$skip SWAPCOUNT_SECONDS=$seconds \
        LD_PRELOAD=$counter "$1" &
    pid=$!
    for _ in $(seq 1200); do
        [ -e "$out" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" || true
    [ -e "$out" ] || { echo "$1 gave no measurement" >&2; return 1; }
    read -r line <"$out"
    echo "$line" | awk '{ printf "%.2f %.4f\n", $1 / $2, $3 / $2 }'
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "Frame rate on a private X server, $rounds runs each, $seconds s after $skip frames:"
printf '%-6s %12s %12s %16s %16s\n' run 'program fps' 'bare fps' 'program outside' 'bare outside'
: >"$work/program"
: >"$work/bare"
: >"$work/outside"
for run in $(seq "$rounds"); do
    result=$(measure "$program")
    read -r pfps poutside <<<"$result"
    result=$(measure "$bare")
    read -r bfps boutside <<<"$result"
    echo "$pfps" >>"$work/program"
    echo "$bfps" >>"$work/bare"
    echo "$poutside" >>"$work/outside"
    awk -v r="$run" -v p="$pfps" -v b="$bfps" -v po="$poutside" -v bo="$boutside" \
        'BEGIN { printf "%-6s %12s %12s %15.2f%% %15.2f%%\n", r, p, b, 100 * po, 100 * bo }'
done
p=$(median <"$work/program")
b=$(median <"$work/bare")
o=$(median <"$work/outside")
awk -v p="$p" -v b="$b" -v o="$o" 'BEGIN {
    printf "median  program %.1f fps, bare loop %.1f fps, ratio %.1f%%\n", p, b, 100 * p / b
    printf "        the program spends %.2f%% of its time outside drawing (events, animation step)\n", 100 * o
}'
