// SPDX-License-Identifier: MIT
// Checks of the scenery after many animation steps, shared by the scrolling
// tests and the long runs.
#pragma once

#include "world.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace scenery
{

// Copies of the records with zpos taken from the live ones, so a comparison
// shows any change to another field.
template <typename R, size_t N> std::vector<R> withlivez(const std::vector<R> &saved, R (&live)[N])
{
    std::vector<R> r = saved;
    for (size_t i = 0; i < N; i++)
        r[i].zpos = live[i].zpos;
    return r;
}

template <typename R, size_t N> bool unchanged(const std::vector<R> &saved, R (&live)[N])
{
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): unchanged means byte for byte
    return memcmp(withlivez(saved, live).data(), live, sizeof live) == 0;
}

// How many records lie outside the band a record never leaves once in it:
// from the wrap limit up to its mirror plus one step.
template <typename R, size_t N> int outofband(R (&records)[N], float limit)
{
    int out = 0;
    for (const R &r : records)
        out += (r.zpos < limit) || (r.zpos > -limit + r.speed);
    return out;
}

} // namespace scenery
