#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program's frame rate against the bare drawing loop, on one private
# X server, taken in turns: each run is a fresh process whose buffer swaps are
# counted by the preloaded swapcount library over a fixed window after a
# warm-up. Both runs of a turn get the same pinned clock, so they build the
# same world and show the same frames. Prints every turn, then the medians.
# Usage: bench/frames/framerate.sh BUILD_DIR [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-5}
source "$root/scripts/common.sh"
source "$root/bench/frames/swaps.sh"

program=$build/src/flyover
bare=$build/bench/frames/bareloop
counter=$build/bench/frames/swapcount.so
skip=${SWAPCOUNT_SKIP:-300}     # frames: start-up, the empty first frames, warm-up
seconds=${SWAPCOUNT_SECONDS:-10}
work=$(mktemp -d)

start_xvfb
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# The machine's own load, before anything here runs: a figure taken beside
# other work says little about the program.
loadbefore=$(cut -d' ' -f1 /proc/loadavg)
echo "Frame rate on a private X server, $rounds runs each, $seconds s after $skip frames:"
printf '%-5s %12s %12s %8s %16s %13s\n' turn 'program fps' 'bare fps' ratio 'program outside' 'bare outside'
: >"$work/program"
: >"$work/bare"
: >"$work/ratio"
: >"$work/outside"
clock=$(date +%s)
for turn in $(seq "$rounds"); do
    # Which goes first alternates, so that a drift in the machine's load
    # does not always favour the same one.
    if ((turn % 2)); then
        presult=$(measure "$program" $((clock + turn)))
        bresult=$(measure "$bare" $((clock + turn)))
    else
        bresult=$(measure "$bare" $((clock + turn)))
        presult=$(measure "$program" $((clock + turn)))
    fi
    read -r pfps poutside <<<"$presult"
    read -r bfps boutside <<<"$bresult"
    echo "$pfps" >>"$work/program"
    echo "$bfps" >>"$work/bare"
    awk -v p="$pfps" -v b="$bfps" 'BEGIN { print p / b }' >>"$work/ratio"
    echo "$poutside" >>"$work/outside"
    awk -v t="$turn" -v p="$pfps" -v b="$bfps" -v po="$poutside" -v bo="$boutside" \
        'BEGIN { printf "%-5s %12s %12s %7.1f%% %15.2f%% %12.2f%%\n", t, p, b, 100 * p / b, 100 * po, 100 * bo }'
done
p=$(median <"$work/program")
b=$(median <"$work/bare")
r=$(median <"$work/ratio")
o=$(median <"$work/outside")
spread=$(sort -n "$work/ratio" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print hi - lo }')
loadafter=$(cut -d' ' -f1 /proc/loadavg)
awk -v p="$p" -v b="$b" -v r="$r" -v o="$o" 'BEGIN {
    printf "median  program %.1f fps, bare loop %.1f fps; program / bare loop %.1f%% (median of the turns)\n", p, b, 100 * r
    printf "        the program spends %.2f%% of its time outside drawing (events, animation step)\n", 100 * o
    printf "target  program / bare loop at least 97%%: %s\n", (r >= 0.97 ? "met" : "MISSED")
}'
# Busy: a load average of half the cores or more before the run (the
# measurement itself keeps about one core busy), or single turns whose
# ratios lie further apart than the 3% the target allows.
cores=$(nproc)
echo "load    1-minute load average $loadbefore before, $loadafter after, on $cores cores; turns spread over $(awk -v s="$spread" 'BEGIN { printf "%.1f", 100 * s }') points"
if awk -v l="$loadbefore" -v c="$cores" -v s="$spread" 'BEGIN { exit !(l >= c / 2 || s > 0.03) }'; then
    echo "warning: the machine was busy during the measurement; the ratio above may mean little." >&2
    echo "         Run scripts/bench again on a quiet machine." >&2
fi
