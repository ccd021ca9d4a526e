# SPDX-License-Identifier: MIT
# Shared by the frame-rate scripts in this folder. Source it with counter
# (the swap counter library), skip, seconds and work (a scratch folder) set.

# Runs one binary with the clock at $2 until the counter has written its
# line, stops it, and prints "frames/s outside-share".
measure() {
    local out=$work/result pid line
    rm -f "$out"
    SDL_VIDEODRIVER=x11 SWAPCOUNT_OUT=$out SWAPCOUNT_SKIP=$skip SWAPCOUNT_SECONDS=$seconds \
        SWAPCOUNT_CLOCK=$2 LD_PRELOAD=$counter "$1" &
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
